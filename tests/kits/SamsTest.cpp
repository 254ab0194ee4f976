// The sample picker window, offscreen.
