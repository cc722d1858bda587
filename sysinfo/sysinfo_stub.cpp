// Placeholder until the system information rows land.
