// The sample importer window, offscreen.
