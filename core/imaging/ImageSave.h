#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// Saving a set of images as PNG files one after another, in a given order,
// while the following ones are encoded ahead on the processor's cores.
namespace ImageSave {

// A file that could not be written, and why.
struct SaveFailure
{
    QString path;
    QString reason; // the system's message, or "cannot encode"
};

// Puts one encoded file in place. True when it was written; otherwise
// o_Reason says why. Must not throw.
typedef std::function<bool(const QString& i_Path, const QByteArray& i_Png, QString& o_Reason)> FileWriter;

// Replaces the file at i_Path with i_Png (creating it when missing). A file
// left partly written is removed; o_Reason is the system's message.
bool WriteFile(const QString& i_Path, const QByteArray& i_Png, QString& o_Reason);

// Told after each file is done with (written or failed) how many are; false
// stops the save there: files encoded ahead are dropped, none is left partly
// written. Runs on the thread that calls SaveImages.
typedef std::function<bool(int i_Done)> Progress;

// Saves i_Images[k] to i_Paths[k] as PNG at the save quality (see PngWriter),
// for every path. The files are handed to i_Writer one at a time in the order
// of the list, on the calling thread; meanwhile the next ones are encoded on
// worker threads, holding at most two encoded files per worker in memory. An
// image that cannot be encoded (a null one, or a path without an image) or a
// file that cannot be written does not stop the others. Returns those that
// failed, in list order; empty when all were written. i_Threads bounds the
// workers; 0 takes one per core.
QList<SaveFailure> SaveImages(const QVector<QImage>& i_Images, const QStringList& i_Paths, int i_Quality,
                              const FileWriter& i_Writer = WriteFile, int i_Threads = 0,
                              const Progress& i_Progress = Progress());

// Makes the image of file k, on the worker that encodes it; a null image
// when it cannot be made. Called from several threads at once.
typedef std::function<QImage(int i_Index)> ImageMaker;

// The same, with each image made only when its file is about to be encoded,
// so that no more images are held than files in flight.
QList<SaveFailure> SaveImages(const ImageMaker& i_Make, const QStringList& i_Paths, int i_Quality,
                              const FileWriter& i_Writer = WriteFile, int i_Threads = 0,
                              const Progress& i_Progress = Progress());

} // namespace ImageSave
