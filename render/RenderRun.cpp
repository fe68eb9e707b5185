#include "render/RenderRun.h"

#include "core/canvas/CanvasOutputs.h"
#include "core/covering/CoveringSave.h"
#include "core/covering/SoftEdge.h"
#include "core/files/FileKinds.h"
#include "core/files/SafeFiles.h"
#include "core/imaging/ImageSave.h"
#include "core/imaging/PngReader.h"
#include "core/naming/OutputNames.h"
#include "core/setup/SetupRender.h"
#include "render/Progress.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QVector>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <future>
#include <memory>

namespace {

// Files hashed at once for the manifest.
constexpr size_t kHashesAhead = 2;

// Set by SIGINT or SIGTERM while a video is cut: the cut stops, removes its
// unfinished files and the run ends with 128 + the signal.
std::atomic<bool> g_Stop{false};
volatile sig_atomic_t g_Signal = 0;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnStopSignal(int i_Signal)
{
    g_Signal = i_Signal;
    g_Stop.store(true);
}

// Catches SIGINT and SIGTERM for as long as it lives.
class StopSignals
{
public:
    StopSignals()
    {
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_Interrupt);
        sigaction(SIGTERM, &action, &m_Terminate);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &m_Interrupt, nullptr);
        sigaction(SIGTERM, &m_Terminate, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction m_Interrupt = {};
    struct sigaction m_Terminate = {};
};

// A picture and the pages that cut it into one folder.
struct PictureJob
{
    QString path; // empty for line-up patterns, which need no picture
    QString folder;
    bool covering = false;
    bool canvas = false;
    int files = 0; // planned: images, masks or patterns
    bool video = false;
};

// A picture as read, or why it could not be.
struct Loaded
{
    QImage image;
    QString problem;
};

QString Native(const QString& i_Path)
{
    return QDir::toNativeSeparators(i_Path);
}

// The folder of a picture among several: its file name without the last
// suffix, or the whole file name when that would leave "", "." or "..",
// which are no folder of its own.
QString FolderName(const QString& i_Picture)
{
    const QFileInfo info(i_Picture);
    const auto usable = [](const QString& i_Name) {
        return !i_Name.isEmpty() && i_Name != QLatin1String(".") && i_Name != QLatin1String("..")
            && !i_Name.contains(QLatin1Char('/')) && !i_Name.contains(QDir::separator());
    };
    if (usable(info.completeBaseName()))
        return info.completeBaseName();
    return usable(info.fileName()) ? info.fileName() : QStringLiteral("picture");
}

// The place of a file, the same however its folder was written.
QString FileKey(const QString& i_Path)
{
    return QDir::cleanPath(QFileInfo(i_Path).absoluteFilePath());
}

QJsonObject RectObject(const QRect& i_Rect)
{
    return QJsonObject{{QStringLiteral("x"), i_Rect.x()},
                       {QStringLiteral("y"), i_Rect.y()},
                       {QStringLiteral("width"), i_Rect.width()},
                       {QStringLiteral("height"), i_Rect.height()}};
}

// What the options change in a page's settings.
template <typename Settings>
Settings Overridden(Settings i_Settings, const RenderOptions& i_Options)
{
    if (i_Options.hasPrefix)
        i_Settings.prefix = i_Options.prefix;
    if (i_Options.quality > 0)
        i_Settings.quality = i_Options.quality;
    return i_Settings;
}

// A page's video options: the set-up's keys, unless the command line gave
// them. A codec or audio the renderer does not know keeps the default.
VideoCut::Options PageVideo(const SetupFile::Video& i_Keys, const RenderOptions& i_Options)
{
    VideoCut::Options video = i_Options.video;
    if (!i_Keys.present)
        return video;
    if (!i_Options.codecGiven && VideoCut::FindCodec(i_Keys.codec))
        video.codec = VideoCut::FindCodec(i_Keys.codec);
    if (!i_Options.crfGiven)
        video.crf = i_Keys.crf;
    if (!i_Options.audioGiven)
        video.audio = i_Keys.audio == QLatin1String("first") ? VideoCut::Audio::First
            : i_Keys.audio == QLatin1String("none")          ? VideoCut::Audio::None
                                                             : VideoCut::Audio::All;
    return video;
}

class Runner
{
public:
    explicit Runner(const RenderOptions& i_Options)
        : m_Options(i_Options)
    {
    }
    int Run();

private:
    bool ReadSetup();
    bool PlanPictures();
    bool PlanFiles();
    void RenderPicture(const PictureJob& i_Job, const Loaded& i_Loaded);
    void RenderVideo(const PictureJob& i_Job);
    void CutPage(const PictureJob& i_Job, const QString& i_Mode, const VideoCut::FrameRender& i_Render,
                 const QSize& i_Frame, int i_Images, const VideoCut::Options& i_Video);
    QJsonObject PageEntry(const PictureJob& i_Job, const QString& i_Mode, const QSize& i_Screen,
                          const QJsonArray& i_Files) const;
    void RenderPatterns(const PictureJob& i_Job);
    int SavePage(const PictureJob& i_Job, const QString& i_Mode, SetupRender::Render& io_Render);
    void WriteManifest();
    void Problem(int i_Status, const QString& i_Text);
    void Note(const QString& i_Text);

    const RenderOptions& m_Options;
    SetupFile::Covering m_Covering;
    SetupFile::Canvas m_Canvas;
    QList<PictureJob> m_Jobs;
    std::unique_ptr<Progress> m_Progress;
    QJsonArray m_Manifest;
    int m_Status = StatusDone;
    bool m_Interrupted = false;
};

void Runner::Problem(int i_Status, const QString& i_Text)
{
    m_Status = qMax(m_Status, i_Status);
    // Names come from set-ups and command lines: a control character in one
    // must neither cut the line short nor drive the terminal.
    const QString line = SafeFiles::Printable(QStringLiteral("quillex-render: ") + i_Text);
    if (m_Progress) {
        m_Progress->Message(line);
    } else {
        const QByteArray bytes = (line + QLatin1Char('\n')).toLocal8Bit();
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    }
}

void Runner::Note(const QString& i_Text)
{
    if (!m_Options.quiet)
        Problem(StatusDone, i_Text);
}

bool Runner::ReadSetup()
{
    // A pipe or a device would block the open, or never end.
    const QString problem = SafeFiles::ReadableFileProblem(m_Options.setupPath);
    if (!problem.isEmpty()) {
        Problem(StatusBadInput, QStringLiteral("%1: %2").arg(Native(m_Options.setupPath), problem));
        return false;
    }
    QFile file(m_Options.setupPath);
    if (!file.open(QIODevice::ReadOnly)) {
        Problem(StatusBadInput, QStringLiteral("%1: %2").arg(Native(m_Options.setupPath), file.errorString()));
        return false;
    }
    // Set-ups are small; anything larger is not one.
    const QByteArray text = file.read(SetupFile::kMaxFileBytes + 1);
    if (text.size() > SetupFile::kMaxFileBytes) {
        Problem(StatusBadInput, QStringLiteral("%1: too large to be a set-up file").arg(Native(m_Options.setupPath)));
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (file.error() != QFileDevice::NoError) {
        Problem(StatusBadInput, QStringLiteral("%1: %2").arg(Native(m_Options.setupPath), file.errorString()));
        return false;
    }
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        const QString reason = error.error != QJsonParseError::NoError
            ? QStringLiteral("%1 at byte %2").arg(error.errorString()).arg(error.offset)
            : QStringLiteral("the top level is not an object");
        Problem(StatusBadInput, QStringLiteral("%1: not a set-up file (%2)").arg(Native(m_Options.setupPath), reason));
        return false;
    }
    m_Covering = SetupFile::ReadCovering(document.object());
    m_Canvas = SetupFile::ReadCanvas(document.object());
    return true;
}

bool Runner::PlanPictures()
{
    const QString out = m_Options.outFolder;
    if (m_Options.patterns) {
        m_Jobs << PictureJob{QString(), out, m_Options.covering, m_Options.canvas};
        return true;
    }
    if (m_Options.images.size() == 1) {
        m_Jobs << PictureJob{m_Options.images.first(), out, m_Options.covering, m_Options.canvas};
        return true;
    }
    if (!m_Options.images.isEmpty()) {
        // Several pictures: a folder each, named after the picture. A name
        // already taken gets a number, one that no other picture's name
        // would give.
        QSet<QString> named;
        for (const QString& path : m_Options.images)
            named.insert(FolderName(path));
        QSet<QString> taken;
        for (const QString& path : m_Options.images) {
            QString name = FolderName(path);
            if (taken.contains(name)) {
                QString free;
                for (int n = 2; free.isEmpty() || taken.contains(free) || named.contains(free); ++n)
                    free = QStringLiteral("%1-%2").arg(name).arg(n);
                Note(QStringLiteral("%1: written to %2, as another picture's files go to %3")
                         .arg(Native(path), Native(out + QLatin1Char('/') + free),
                              Native(out + QLatin1Char('/') + name)));
                name = free;
            }
            taken.insert(name);
            m_Jobs << PictureJob{path, out + QLatin1Char('/') + name, m_Options.covering, m_Options.canvas};
        }
        return true;
    }
    // Each page its own picture, as the window saves it.
    QString coveringPicture = m_Options.covering ? m_Covering.picturePath : QString();
    QString canvasPicture = m_Options.canvas ? m_Canvas.picturePath : QString();
    if (m_Options.covering && coveringPicture.isEmpty())
        Note(QStringLiteral("covering: the set-up names no picture; skipped"));
    if (m_Options.canvas && canvasPicture.isEmpty())
        Note(QStringLiteral("canvas: the set-up names no picture; skipped"));
    if (!coveringPicture.isEmpty() && coveringPicture == canvasPicture) {
        m_Jobs << PictureJob{coveringPicture, out, true, true};
    } else {
        if (!coveringPicture.isEmpty())
            m_Jobs << PictureJob{coveringPicture, out, true, false};
        if (!canvasPicture.isEmpty())
            m_Jobs << PictureJob{canvasPicture, out, false, true};
    }
    if (m_Jobs.isEmpty()) {
        Problem(StatusBadInput,
                QStringLiteral("%1: nothing to render: no picture in the set-up; give one with --image")
                    .arg(Native(m_Options.setupPath)));
        return false;
    }
    return true;
}

// Every file of the run is named before any is written, as SetupRender names
// them: two files of one name would leave one of them, and a manifest that
// lists both.
bool Runner::PlanFiles()
{
    QHash<QString, QString> planned; // the place of a file, and what goes there
    if (!m_Options.manifestPath.isEmpty())
        planned.insert(FileKey(m_Options.manifestPath), QStringLiteral("the manifest"));
    const auto plan = [&](const PictureJob& i_Job, const QString& i_Name, const QString& i_What) {
        // Names that are not plain are never written, and told as such.
        if (!OutputNames::IsPlainFileName(i_Name))
            return true;
        const QString path = i_Job.folder + QLatin1Char('/') + i_Name;
        const QString earlier = planned.value(FileKey(path));
        if (earlier.isEmpty()) {
            planned.insert(FileKey(path), i_What);
            return true;
        }
        const QString manifest = QStringLiteral("the manifest");
        Problem(StatusBadInput,
                QStringLiteral("%1: both %2 and %3 would be written to this file; nothing written; %4")
                    .arg(Native(path), earlier, i_What,
                         earlier == manifest || i_What == manifest
                             ? QStringLiteral("give --manifest another name")
                             : QStringLiteral("give another --prefix, or one page with --mode")));
        return false;
    };
    const bool patterns = m_Options.patterns;
    const QString kind = patterns ? QStringLiteral("pattern") : QStringLiteral("image");
    const VideoCut::Codec& coveringCodec = *PageVideo(m_Covering.video, m_Options).codec;
    const VideoCut::Codec& canvasCodec = *PageVideo(m_Canvas.video, m_Options).codec;
    for (PictureJob& job : m_Jobs) {
        job.video = !patterns && VideoCut::IsVideo(job.path);
        if (job.covering) {
            const SetupRender::CoveringSettings settings = Overridden(
                SetupRender::CoveringFromSetup(m_Covering, QSize(0, 0)), m_Options);
            const QList<SetupRender::OutputFile> files = SetupRender::CoveringFiles(
                settings, patterns ? m_Covering.picturePath : job.path, patterns);
            const int images = settings.input.columnCount * settings.input.rowCount;
            job.files += files.size();
            for (int k = 0; k < files.size(); ++k)
                if (!plan(job,
                          job.video && k < images ? VideoCut::FileName(files[k].name, coveringCodec) : files[k].name,
                          QStringLiteral("the covering %1 of column %2, row %3%4")
                              .arg(kind)
                              .arg(files[k].column)
                              .arg(files[k].row)
                              .arg(k < images ? QString() : QStringLiteral("'s mask"))))
                    return false;
        }
        if (job.canvas) {
            const SetupRender::CanvasSettings settings = Overridden(SetupRender::CanvasFromSetup(m_Canvas, QSize(0, 0)),
                                                                    m_Options);
            const QList<SetupRender::OutputFile> files = SetupRender::CanvasFiles(
                settings, patterns ? m_Canvas.picturePath : job.path, patterns);
            job.files += files.size();
            for (const SetupRender::OutputFile& file : files)
                if (!plan(job, job.video ? VideoCut::FileName(file.name, canvasCodec) : file.name,
                          QStringLiteral("the canvas %1 of \"%2\"").arg(kind, file.label)))
                    return false;
        }
    }
    return true;
}

int Runner::Run()
{
    if (!ReadSetup() || !PlanPictures() || !PlanFiles())
        return m_Status;
    int total = 0;
    for (const PictureJob& job : m_Jobs)
        total += job.files;
    m_Progress.reset(new Progress(total, !m_Options.quiet, isatty(STDERR_FILENO)));
    if (m_Options.canvas && m_Canvas.outputs.isEmpty())
        Note(QStringLiteral("canvas: the set-up has no outputs; nothing to write"));

    if (m_Options.patterns) {
        RenderPatterns(m_Jobs.first());
        if (!m_Options.manifestPath.isEmpty())
            WriteManifest();
        m_Progress->Finish();
        return m_Status;
    }

    // The next picture is read while this one is cut and written: reading
    // keeps a core or two busy that writing leaves idle.
    const auto load = [this](int i_Job) {
        const QString path = m_Jobs.at(i_Job).path;
        const bool video = m_Jobs.at(i_Job).video;
        return std::async(std::launch::async | std::launch::deferred, [path, video]() {
            Loaded loaded;
            if (!video)
                loaded.image = PngReader::Load(path, nullptr, &loaded.problem);
            return loaded;
        });
    };
    std::future<Loaded> next = load(0);
    for (int k = 0; k < m_Jobs.size(); ++k) {
        const Loaded picture = next.get();
        if (k + 1 < m_Jobs.size())
            next = load(k + 1);
        if (m_Jobs.at(k).video)
            RenderVideo(m_Jobs.at(k));
        else
            RenderPicture(m_Jobs.at(k), picture);
        if (m_Interrupted) {
            // What was left unfinished is gone; the manifest would list
            // only part of the run.
            m_Progress->Finish();
            return StatusSignalled + int(g_Signal);
        }
    }
    if (!m_Options.manifestPath.isEmpty())
        WriteManifest();
    m_Progress->Finish();
    return m_Status;
}

void Runner::RenderPicture(const PictureJob& i_Job, const Loaded& i_Loaded)
{
    if (i_Loaded.image.isNull()) {
        Problem(StatusBadInput, QStringLiteral("%1: %2").arg(Native(i_Job.path), i_Loaded.problem));
        m_Progress->FilesDropped(i_Job.files);
        return;
    }
    const QImage& picture = i_Loaded.image;
    if (!QDir().mkpath(i_Job.folder))
        Problem(StatusNotWritten, QStringLiteral("%1: cannot create the folder").arg(Native(i_Job.folder)));

    int written = 0;
    if (i_Job.covering) {
        SetupRender::Render render;
        SetupRender::RenderCovering(Overridden(SetupRender::CoveringFromSetup(m_Covering, picture.size()), m_Options),
                                    picture, i_Job.path, render);
        written += SavePage(i_Job, QStringLiteral("covering"), render);
    }
    if (i_Job.canvas && !m_Canvas.outputs.isEmpty()) {
        SetupRender::Render render;
        SetupRender::RenderCanvas(Overridden(SetupRender::CanvasFromSetup(m_Canvas, picture.size()), m_Options),
                                  picture, i_Job.path, render);
        written += SavePage(i_Job, QStringLiteral("canvas"), render);
    }
    m_Progress->PictureDone(Native(i_Job.path), written);
}

// The patterns follow the set-up alone; each page's picture, loaded or not,
// only names the files when the prefix is empty.
void Runner::RenderPatterns(const PictureJob& i_Job)
{
    if (!QDir().mkpath(i_Job.folder))
        Problem(StatusNotWritten, QStringLiteral("%1: cannot create the folder").arg(Native(i_Job.folder)));

    int written = 0;
    if (i_Job.covering) {
        SetupRender::Render render;
        SetupRender::CoveringPatterns(Overridden(SetupRender::CoveringFromSetup(m_Covering, QSize(0, 0)), m_Options),
                                      m_Covering.picturePath, render);
        written += SavePage(i_Job, QStringLiteral("covering"), render);
    }
    if (i_Job.canvas && !m_Canvas.outputs.isEmpty()) {
        SetupRender::Render render;
        SetupRender::CanvasPatterns(Overridden(SetupRender::CanvasFromSetup(m_Canvas, QSize(0, 0)), m_Options),
                                    m_Canvas.picturePath, render);
        written += SavePage(i_Job, QStringLiteral("canvas"), render);
    }
    m_Progress->PictureDone(QStringLiteral("line-up patterns"), written);
}

int Runner::SavePage(const PictureJob& i_Job, const QString& i_Mode, SetupRender::Render& io_Render)
{
    QVector<int> fileIndex; // of each path
    QStringList paths;
    QHash<QString, int> fileOf;
    for (int k = 0; k < io_Render.files.size(); ++k) {
        SetupRender::OutputFile& file = io_Render.files[k];
        const QString path = i_Job.folder + QLatin1Char('/') + file.name;
        // A name from the set-up that would put the file anywhere but in
        // the folder is not written.
        if (!OutputNames::IsPlainFileName(file.name))
            Problem(StatusNotWritten, QStringLiteral("%1: not a plain file name").arg(file.name));
        else if (!io_Render.error.isEmpty())
            Problem(StatusNotWritten, QStringLiteral("%1: %2").arg(Native(path), io_Render.error));
        if (!OutputNames::IsPlainFileName(file.name) || !io_Render.error.isEmpty()) {
            m_Progress->FileDone();
            continue;
        }
        fileOf.insert(path, k);
        fileIndex << k;
        paths << path;
    }

    // Hashes are taken beside the writing, a few files at a time, so that
    // the manifest costs little time and holds few files in memory.
    struct Hashing
    {
        int file;
        qint64 bytes;
        std::future<QByteArray> digest;
    };
    std::deque<Hashing> hashing;
    QJsonArray entries;
    const auto takeOldest = [&]() {
        const SetupRender::OutputFile& file = io_Render.files.at(hashing.front().file);
        QJsonObject entry{{QStringLiteral("name"), file.name},
                          {QStringLiteral("rect"), RectObject(file.rect)},
                          {QStringLiteral("bytes"), hashing.front().bytes},
                          {QStringLiteral("sha256"), QString::fromLatin1(hashing.front().digest.get())}};
        // How the file is turned and scaled for its panel, when it is.
        if (!file.orientation.IsUpright()) {
            static const char* const mirrors[] = {"none", "horizontal", "vertical"};
            entry.insert(QStringLiteral("rotation"), file.orientation.rotation);
            entry.insert(QStringLiteral("mirror"), QLatin1String(mirrors[file.orientation.mirror]));
        }
        if (!file.device.isEmpty() && file.device != file.rect.size())
            entry.insert(QStringLiteral("device"),
                         QJsonObject{{QStringLiteral("width"), file.device.width()},
                                     {QStringLiteral("height"), file.device.height()}});
        if (file.column >= 0) {
            entry.insert(QStringLiteral("column"), file.column);
            entry.insert(QStringLiteral("row"), file.row);
        } else {
            entry.insert(QStringLiteral("label"), file.label);
        }
        entries.append(entry);
        hashing.pop_front();
    };
    int handled = 0;
    const bool hashed = !m_Options.manifestPath.isEmpty();
    const ImageSave::FileWriter writer = [&](const QString& i_Path, const QByteArray& i_Png, QString& o_Reason) {
        ++handled;
        const bool done = ImageSave::WriteFile(i_Path, i_Png, o_Reason);
        if (done && hashed) {
            hashing.push_back(Hashing{fileOf.value(i_Path), i_Png.size(),
                                      std::async(std::launch::async | std::launch::deferred, [i_Png]() {
                                          return QCryptographicHash::hash(i_Png, QCryptographicHash::Sha256).toHex();
                                      })});
            while (hashing.size() > kHashesAhead)
                takeOldest();
        }
        m_Progress->FileDone();
        return done;
    };
    // Each image is made by the worker that encodes it, when its turn comes.
    const ImageSave::ImageMaker make = [&io_Render, &fileIndex](int i_Index) {
        return io_Render.Image(fileIndex.at(i_Index));
    };
    const QList<ImageSave::SaveFailure> failures = ImageSave::SaveImages(make, paths, io_Render.quality, writer,
                                                                         m_Options.jobs);
    while (!hashing.empty())
        takeOldest();
    for (int k = handled; k < paths.size(); ++k)
        m_Progress->FileDone(); // files that could not even be encoded
    for (const ImageSave::SaveFailure& failure : failures)
        Problem(StatusNotWritten, QStringLiteral("%1: %2").arg(Native(failure.path), failure.reason));

    if (hashed)
        m_Manifest.append(PageEntry(i_Job, i_Mode, io_Render.screen, entries));
    return paths.size() - failures.size();
}

QJsonObject Runner::PageEntry(const PictureJob& i_Job, const QString& i_Mode, const QSize& i_Screen,
                              const QJsonArray& i_Files) const
{
    QJsonObject page{
        {QStringLiteral("mode"), i_Mode},
        {QStringLiteral("folder"), QFileInfo(i_Job.folder).absoluteFilePath()},
        {QStringLiteral("screen"),
         QJsonObject{{QStringLiteral("width"), i_Screen.width()}, {QStringLiteral("height"), i_Screen.height()}}},
        {QStringLiteral("files"), i_Files}};
    // Patterns come from no picture.
    if (!i_Job.path.isEmpty())
        page.insert(QStringLiteral("path"), QFileInfo(i_Job.path).absoluteFilePath());
    return page;
}

void Runner::RenderVideo(const PictureJob& i_Job)
{
    const StopSignals signalsCaught;
    VideoCut::Source source;
    QString problem;
    if (!VideoCut::Probe(i_Job.path, source, problem)) {
        Problem(StatusBadInput, QStringLiteral("%1: %2").arg(Native(i_Job.path), problem));
        m_Progress->FilesDropped(i_Job.files);
        return;
    }
    if (!QDir().mkpath(i_Job.folder))
        Problem(StatusNotWritten, QStringLiteral("%1: cannot create the folder").arg(Native(i_Job.folder)));
    const QString path = i_Job.path;
    if (i_Job.covering) {
        const SetupRender::CoveringSettings settings = Overridden(
            SetupRender::CoveringFromSetup(m_Covering, source.size), m_Options);
        CutPage(
            i_Job, QStringLiteral("covering"),
            [settings, path](const QImage& i_Frame, SetupRender::Render& o_Render) {
                return SetupRender::RenderCovering(settings, i_Frame, path, o_Render);
            },
            source.size, settings.input.columnCount * settings.input.rowCount, PageVideo(m_Covering.video, m_Options));
    }
    if (i_Job.canvas && !m_Canvas.outputs.isEmpty() && !m_Interrupted) {
        const SetupRender::CanvasSettings settings = Overridden(SetupRender::CanvasFromSetup(m_Canvas, source.size),
                                                                m_Options);
        CutPage(
            i_Job, QStringLiteral("canvas"),
            [settings, path](const QImage& i_Frame, SetupRender::Render& o_Render) {
                return SetupRender::RenderCanvas(settings, i_Frame, path, o_Render);
            },
            source.size, settings.outputs.size(), PageVideo(m_Canvas.video, m_Options));
    }
}

// One page's videos, and its masks as PNG files beside them.
void Runner::CutPage(const PictureJob& i_Job, const QString& i_Mode, const VideoCut::FrameRender& i_Render,
                     const QSize& i_Frame, int i_Images, const VideoCut::Options& i_Video)
{
    // The names, places and masks, which no frame changes.
    SetupRender::Render layout;
    QImage blank(i_Frame, QImage::Format_RGB32);
    blank.fill(Qt::black);
    i_Render(blank, layout);
    const bool hashed = !m_Options.manifestPath.isEmpty();
    QJsonArray maskEntries;
    if (layout.files.size() > i_Images && layout.error.isEmpty()) {
        SetupRender::Render masks;
        masks.screen = layout.screen;
        masks.quality = layout.quality;
        masks.files = layout.files.mid(i_Images);
        const auto make = layout.make;
        masks.make = [make, i_Images](int k) { return make(k + i_Images); };
        SavePage(i_Job, i_Mode, masks);
        if (hashed)
            maskEntries = m_Manifest.takeAt(m_Manifest.size() - 1).toObject().value(QStringLiteral("files")).toArray();
    }

    QList<VideoCut::Output> outputs;
    for (int k = 0; k < i_Images && k < layout.files.size(); ++k) {
        const QString name = VideoCut::FileName(layout.files.at(k).name, *i_Video.codec);
        if (!OutputNames::IsPlainFileName(name)) {
            Problem(StatusNotWritten, QStringLiteral("%1: not a plain file name").arg(name));
            m_Progress->FileDone();
            continue;
        }
        outputs << VideoCut::Output{i_Job.folder + QLatin1Char('/') + name, k};
    }
    if (outputs.isEmpty())
        return;
    VideoCut::Options options = i_Video;
    options.threads = m_Options.jobs;
    options.hash = hashed;
    options.stop = &g_Stop;
    const VideoCut::Result result = VideoCut::Cut(
        i_Job.path, i_Render, outputs, options,
        [this](qint64 i_Done, qint64 i_Total) { m_Progress->Frames(i_Done, i_Total); },
        [this](const QString& i_Text) { Note(i_Text); });
    if (result.interrupted) {
        m_Interrupted = true;
        return;
    }
    if (!result.problem.isEmpty()) {
        Problem(StatusNotWritten, QStringLiteral("%1: %2").arg(Native(i_Job.path), result.problem));
        m_Progress->FilesDropped(outputs.size());
        return;
    }
    if (!result.damage.isEmpty())
        Problem(StatusNotWritten,
                QStringLiteral("%1: reading stopped at %2: %3; the videos hold every frame before it")
                    .arg(Native(i_Job.path))
                    .arg(result.stoppedAt, 0, 'f', 3)
                    .arg(result.damage));
    QJsonArray entries;
    int written = 0;
    for (int k = 0; k < outputs.size(); ++k) {
        const VideoCut::Written& file = result.outputs.at(k);
        m_Progress->FileDone();
        if (!file.done) {
            Problem(StatusNotWritten, QStringLiteral("%1: %2").arg(Native(file.path), file.problem));
            continue;
        }
        ++written;
        const SetupRender::OutputFile& place = layout.files.at(outputs.at(k).file);
        QJsonObject entry{{QStringLiteral("name"), QFileInfo(file.path).fileName()},
                          {QStringLiteral("rect"), RectObject(place.rect)},
                          {QStringLiteral("codec"), QLatin1String(options.codec->name)},
                          {QStringLiteral("frames"), file.frames},
                          {QStringLiteral("frame_rate"), file.rate},
                          {QStringLiteral("duration"), file.duration},
                          {QStringLiteral("bytes"), file.bytes},
                          {QStringLiteral("sha256"), QString::fromLatin1(file.sha256)}};
        if (place.column >= 0) {
            entry.insert(QStringLiteral("column"), place.column);
            entry.insert(QStringLiteral("row"), place.row);
        } else {
            entry.insert(QStringLiteral("label"), place.label);
        }
        entries.append(entry);
    }
    for (const QJsonValue& mask : maskEntries)
        entries.append(mask);
    if (hashed)
        m_Manifest.append(PageEntry(i_Job, i_Mode, layout.screen, entries));
    m_Progress->PictureDone(Native(i_Job.path), written);
}

void Runner::WriteManifest()
{
    const QJsonObject top{{QStringLiteral("setup"), QFileInfo(m_Options.setupPath).absoluteFilePath()},
                          {QStringLiteral("pictures"), m_Manifest}};
    QString reason;
    if (!SafeFiles::WriteAtomically(m_Options.manifestPath, QJsonDocument(top).toJson(), reason))
        Problem(StatusNotWritten, QStringLiteral("%1: %2").arg(Native(m_Options.manifestPath), reason));
}

} // namespace

int RunRender(const RenderOptions& i_Options)
{
    return Runner(i_Options).Run();
}

bool ExpandPictures(const QStringList& i_Paths, QStringList& o_Pictures, QString& o_Problem)
{
    // What a container holds, for a folder given with --image.
    const QStringList filters = PngReader::PicturePatterns() + FileKinds::VideoPatterns();
    for (const QString& path : i_Paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            // A pipe or a device would block the reading.
            const QString problem = info.exists() || path.contains(QChar(0)) ? SafeFiles::ReadableFileProblem(path)
                                                                             : QStringLiteral("no such file or folder");
            if (!problem.isEmpty()) {
                o_Problem = QStringLiteral("%1: %2").arg(Native(path), problem);
                return false;
            }
            o_Pictures << path;
            continue;
        }
        const QFileInfoList entries = QDir(path).entryInfoList(filters, QDir::Files | QDir::Readable, QDir::Name);
        if (entries.isEmpty()) {
            o_Problem = QStringLiteral("%1: no pictures in this folder").arg(Native(path));
            return false;
        }
        for (const QFileInfo& entry : entries)
            o_Pictures << entry.filePath();
    }
    return true;
}
