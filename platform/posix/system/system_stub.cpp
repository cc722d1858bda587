// Placeholder until the system stand-in lands.
