Beat1
Length:
4
Time:
4



Channel:1
Channel:2
Channel:3
Channel:4
Channel:5
Channel:6
1:0*
Kick      [3]





2:1






3:2






4:3






5:0*






60
1
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
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
Blank.wav
22050
