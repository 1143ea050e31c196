// Keeps the GUI library non-empty while subsystems add their windows.
