// Placeholder until the sound platform lands.
