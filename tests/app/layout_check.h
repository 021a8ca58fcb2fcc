#pragma once

#include <QString>
#include <QStringList>

class QSize;
class QWidget;

// "640x480".
QString SizeText(const QSize& size);

// Whether a window's texts can be read where they stand: every visible label, button, check box,
// group box title, tab, line edit and gauge text fits its contents rectangle by its font's
// metrics, and no two of them overlap. Problems are returned as lines a person can act on,
// "<where>: <what>".
QStringList TextProblems(QWidget* window, const QString& where);

// Pages in scroll areas that scroll sideways, or at all when whole_page is set.
QStringList ScrollProblems(QWidget* window, const QString& where, bool whole_page);

// Pictures on labels drawn for fewer pixels than the screen has: blurred at 2x.
QStringList PictureProblems(QWidget* window, const QString& where);
