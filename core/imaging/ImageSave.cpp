#include "core/imaging/ImageSave.h"

#include "core/files/SafeFiles.h"
#include "core/imaging/PngWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ImageSave {

namespace {
// 96 dots per inch, the usual desktop's.
constexpr int kDotsPerMeter = 3780;
} // namespace

bool WriteFile(const QString& i_Path, const QByteArray& i_Png, QString& o_Reason)
{
    QFile file(i_Path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        o_Reason = file.errorString();
        return false;
    }
    // Closing forgets an earlier error, so its text is taken first.
    QString reason;
    SafeFiles::WriteWhole(file, i_Png, reason);
    file.close();
    if (reason.isEmpty() && file.error() != QFileDevice::NoError)
        reason = file.errorString();
    if (reason.isEmpty())
        return true;
    o_Reason = reason;
    if (QFileInfo(i_Path).isFile()) // never a device or anything but the file we wrote
        QFile::remove(i_Path);
    return false;
}

namespace {

// One file on its way: encoded by whoever took it, then written in its turn.
struct Pending
{
    QByteArray png;
    bool ready = false;
    bool encoded = false;
};

} // namespace

QList<SaveFailure> SaveImages(const QVector<QImage>& i_Images, const QStringList& i_Paths, int i_Quality,
                              const FileWriter& i_Writer, int i_Threads, const Progress& i_Progress)
{
    const ImageMaker make = [&i_Images](int i_Index) {
        return i_Index < i_Images.size() ? i_Images.at(i_Index) : QImage();
    };
    return SaveImages(make, i_Paths, i_Quality, i_Writer, i_Threads, i_Progress);
}

QList<SaveFailure> SaveImages(const ImageMaker& i_Make, const QStringList& i_Paths, int i_Quality,
                              const FileWriter& i_Writer, int i_Threads, const Progress& i_Progress)
{
    QList<SaveFailure> failures;
    const int count = i_Paths.size();
    if (count == 0)
        return failures;

    std::vector<Pending> pending(static_cast<size_t>(count));
    std::mutex mutex;
    std::condition_variable encodedOne; // a file is ready to be written
    std::condition_variable wroteOne;   // a file is written: room to encode one more
    int next = 0;                       // first file nobody has taken to encode
    int written = 0;                    // files done with by the writer
    const int workerCount = qBound(1, i_Threads > 0 ? i_Threads : QThread::idealThreadCount(), count);
    // Encoded files are held until their turn; this bounds how many.
    const int ahead = 2 * workerCount;

    auto encode = [&](int index) {
        QByteArray png;
        const bool encoded = PngWriter::Encode(i_Make(index), i_Quality, png);
        // The toolkit gives new images the screen's resolution, which the
        // renderer has none of: every file states the same one, so the
        // window and the renderer write the same bytes.
        if (encoded)
            PngWriter::SetResolution(png, kDotsPerMeter);
        std::lock_guard<std::mutex> lock(mutex);
        pending[size_t(index)].png.swap(png);
        pending[size_t(index)].encoded = encoded;
        pending[size_t(index)].ready = true;
        encodedOne.notify_all();
    };
    auto worker = [&]() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wroteOne.wait(lock, [&] { return next >= count || next < written + ahead; });
            if (next >= count)
                return;
            const int index = next++;
            lock.unlock();
            encode(index);
            lock.lock();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(size_t(workerCount));
    for (int t = 0; t < workerCount; ++t) {
        try {
            workers.emplace_back(worker);
        } catch (const std::system_error&) {
            break; // with none at all, the calling thread encodes each file in turn
        }
    }

    for (int index = 0; index < count; ++index) {
        if (workers.empty())
            encode(index);
        QByteArray png;
        bool encoded = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            encodedOne.wait(lock, [&] { return pending[size_t(index)].ready; });
            png.swap(pending[size_t(index)].png);
            encoded = pending[size_t(index)].encoded;
        }
        QString reason;
        if (!encoded)
            failures.append(SaveFailure{i_Paths.at(index), QStringLiteral("cannot encode")});
        else if (!i_Writer(i_Paths.at(index), png, reason))
            failures.append(SaveFailure{i_Paths.at(index), reason.isEmpty() ? QStringLiteral("cannot write") : reason});
        png = QByteArray(); // gone before one more file may be encoded
        const bool goOn = !i_Progress || i_Progress(index + 1);
        {
            std::lock_guard<std::mutex> lock(mutex);
            written = index + 1;
            if (!goOn)
                next = count; // the workers take no more
        }
        wroteOne.notify_all();
        if (!goOn)
            break;
    }
    for (std::thread& thread : workers)
        thread.join();
    return failures;
}

} // namespace ImageSave
