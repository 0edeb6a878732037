#pragma once

#include "appfolder.h"

#include <QString>

#include <optional>

// What both programs do first, once their QApplication exists: their name, right to left, the
// buttons' room, Qt's own texts in Arabic, the desktop's proxy, accessible windows; then the
// application folder. When no folder can be used, the user is told why and nothing is returned.
std::optional<AppFolder> StartArabicProgram(const QString &name);
