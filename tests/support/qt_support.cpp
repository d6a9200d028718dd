// Qt-side test helpers (local HTTP server, pseudo-terminal) are added here.
