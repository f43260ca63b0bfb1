# Files of this folder: core (widget-free) and UI.
list(APPEND MIROVALE_CORE_SOURCES
    app/appstate.h
    app/fetchtext.cpp app/fetchtext.h
    app/fields.cpp app/fields.h
    app/handoff.cpp app/handoff.h
    app/inifile.cpp app/inifile.h
    app/inputcodes.h
    app/messagebox.cpp app/messagebox.h
    app/paths.cpp app/paths.h
    app/qttexts.cpp app/qttexts.h
    app/resource.cpp app/resource.h
    app/settings.cpp app/settings.h
    app/trace.cpp app/trace.h
)
list(APPEND MIROVALE_UI_SOURCES
    app/messagebox_ui.cpp app/messagebox_ui.h
    app/startup.cpp app/startup.h
    app/termination.cpp app/termination.h
    app/windowhelpers.cpp app/windowhelpers.h
)
