#pragma once
// Texts cross between the program's std::string (system locale bytes, like the files it
// reads and writes) and Qt's QString only here.

#include <QString>

#include <string>

namespace kestrova {

inline QString toQString(const std::string& text) { return QString::fromLocal8Bit(text); }

inline std::string toLocalString(const QString& text) { return text.toLocal8Bit().toStdString(); }

} // namespace kestrova
