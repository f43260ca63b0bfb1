# Files of this folder: core (widget-free) and UI.
