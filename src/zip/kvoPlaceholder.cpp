// Placeholder until the engine has sources.
