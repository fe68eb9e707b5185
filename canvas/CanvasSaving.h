#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;

// The canvas page's saving path: the folder asked for, the files' names,
// the images written with progress, the folder opened and the user told
// what went wrong.
namespace CanvasSaving {

// The folder the images go to, asked for from the picture's folder; empty
// when the user cancels.
QString AskFolder(QWidget* i_Parent, const QString& i_PicturePath);

// The outputs' image names, or their patterns' names, in output order.
QStringList Names(const QString& i_Prefix, const QStringList& i_Labels, bool i_Patterns);

// Writes the images under the names in the folder, with progress, then
// opens the folder and tells what could not be written, or what was after
// a cancel. A name that would put its file anywhere but in the folder is
// not written (labels also come from set-up files).
void SaveAndReport(QWidget* i_Parent, const QString& i_StyleSheet, const QString& i_Folder, const QStringList& i_Names,
                   const QVector<QImage>& i_Images, int i_Quality);

} // namespace CanvasSaving
