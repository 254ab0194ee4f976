Groove É
Length:
16
Time:
4
été


Channel:1
Channel:2
Channel:3
Channel:4
Channel:5
Channel:6
1:0*
Kick      [ ]





2:1






3:2

Café typed




4:3






5:0*


Snare     [1]



6:1






7:2






8:3






9:0*
Kick      [9]





10:1






11:2






12:3






13:0*






14:1






15:2






16:3





Sample3
17:0*



Tom1      [5]


90
2
Blank.wav
22050
Blank.wav
22050
C:\Samples\Snare 2.wav
44100
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
/home/me/café.wav
11025
