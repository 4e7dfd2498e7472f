// Keeps the Qt part of the common library non-empty until its first file lands.
