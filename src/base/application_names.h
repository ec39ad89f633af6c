#pragma once

#include <QString>

/** The names the program is known by outside its main window's title. */
namespace appnames {

/**
 * The application name: the X11 window class that the desktop entry's
 * StartupWMClass names, and the per-user data folder, which the window and
 * the logger share for the journal.
 */
inline QString applicationName()
{
    return QStringLiteral("brenmoor5082");
}

/**
 * The program's own title, with its two blanks and the trailing one: the
 * desktop entry's name, which the task bar shows, and the title of the
 * program's message boxes.
 */
inline QString programTitle()
{
    return QStringLiteral("Brenmoor  5082 ");
}

} // namespace appnames
