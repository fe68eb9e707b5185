#include "common/VideoSource.h"

#include "core/files/FileKinds.h"
#include "core/imaging/PngReader.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <cmath>

namespace {

struct Choice
{
    const char* text;
    const char* key;
};
const Choice kCodecs[] = {{"H.264", "h264"}, {"HEVC", "hevc"}, {"FFV1", "ffv1"}, {"ProRes", "prores"}, {"HAP", "hap"}};
const Choice kAudio[] = {{"every output", "all"}, {"first output only", "first"}, {"none", "none"}};

template <size_t N>
void Fill(QComboBox* i_Box, const Choice (&i_Choices)[N])
{
    for (const Choice& choice : i_Choices)
        i_Box->addItem(QObject::tr(choice.text), QLatin1String(choice.key));
}

void Select(QComboBox* i_Box, const QString& i_Key)
{
    const int index = i_Box->findData(i_Key);
    if (index >= 0)
        i_Box->setCurrentIndex(index);
}

} // namespace

VideoSource::VideoSource(QWidget* i_Page, const Places& i_Places)
    : QObject(i_Page)
    , m_Save(i_Places.save)
    , m_SaveText(i_Places.save->text())
{
    m_TimeControl = new QWidget(i_Page);
    m_TimeControl->setObjectName(QStringLiteral("widgetVideoTime"));
    // The slider takes the view's width, the time goes under it: the canvas
    // page's source column is narrow.
    auto* rows = new QVBoxLayout(m_TimeControl);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    m_Slider = new QSlider(Qt::Horizontal, m_TimeControl);
    m_Slider->setObjectName(QStringLiteral("horizontalSliderVideoTime"));
    // A frame is decoded where the slider is let go, not at every pixel of
    // a drag; the text follows the drag.
    m_Slider->setTracking(false);
    m_Label = new QLabel(m_TimeControl);
    m_Label->setObjectName(QStringLiteral("labelVideoTime"));
    rows->addWidget(m_Slider);
    rows->addWidget(m_Label, 0, Qt::AlignRight);
    i_Places.underSource->insertWidget(i_Places.index, m_TimeControl);
    connect(m_Slider, &QSlider::valueChanged, this, &VideoSource::TimeChosen);
    connect(m_Slider, &QSlider::sliderMoved, this, &VideoSource::ShowTime);

    m_Group = new QGroupBox(QStringLiteral("VIDEO"), i_Page);
    m_Group->setObjectName(QStringLiteral("groupBoxVideo"));
    auto* form = new QFormLayout(m_Group);
    m_Codec = new QComboBox(m_Group);
    m_Codec->setObjectName(QStringLiteral("comboBoxVideoCodec"));
    Fill(m_Codec, kCodecs);
    m_Crf = new QSpinBox(m_Group);
    m_Crf->setObjectName(QStringLiteral("spinBoxVideoCrf"));
    m_Crf->setRange(0, 51);
    m_Crf->setValue(18);
    m_Crf->setToolTip(tr("Lower is better and larger; 18 looks like the source"));
    m_Audio = new QComboBox(m_Group);
    m_Audio->setObjectName(QStringLiteral("comboBoxVideoAudio"));
    Fill(m_Audio, kAudio);
    form->addRow(tr("Codec:"), m_Codec);
    form->addRow(tr("Quality (CRF):"), m_Crf);
    form->addRow(tr("Audio:"), m_Audio);
    i_Places.grid->addWidget(m_Group, i_Places.row, i_Places.column, i_Places.rowSpan, 1);
    connect(m_Codec, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &VideoSource::CodecChosen);

    m_TimeControl->hide();
    m_Group->hide();
}

QString VideoSource::Filter()
{
    return tr("Images and videos (%1)")
        .arg((PngReader::PicturePatterns() + FileKinds::VideoPatterns()).join(QLatin1Char(' ')));
}

QImage VideoSource::Open(const QString& i_Path, QString& o_Problem)
{
    Close();
    QImage frame;
    if (m_Reader.Open(i_Path, o_Problem))
        frame = m_Reader.FrameAt(0, &o_Problem);
    if (frame.isNull()) {
        Close();
        return frame;
    }
    const QSignalBlocker quiet(m_Slider);
    m_Slider->setRange(0, int(std::floor(m_Reader.Source().duration * 1000)));
    m_Slider->setSingleStep(qMax(1, int(std::lround(1000 / qMax(1.0, m_Reader.Source().rate)))));
    m_Slider->setPageStep(1000);
    m_Slider->setValue(0);
    ShowTime(0);
    m_TimeControl->show();
    m_Group->show();
    m_Save->setText(tr("Save video(s)..."));
    return frame;
}

void VideoSource::Close()
{
    m_Reader.Close();
    m_TimeControl->hide();
    m_Group->hide();
    m_Save->setText(m_SaveText);
}

SetupFile::Video VideoSource::Keys() const
{
    SetupFile::Video keys;
    keys.present = IsOpen();
    keys.codec = m_Codec->currentData().toString();
    keys.crf = m_Crf->value();
    keys.audio = m_Audio->currentData().toString();
    keys.time = m_Slider->value() / 1000.0;
    return keys;
}

void VideoSource::SetKeys(const SetupFile::Video& i_Keys)
{
    Select(m_Codec, i_Keys.codec);
    m_Crf->setValue(i_Keys.crf);
    Select(m_Audio, i_Keys.audio);
    if (IsOpen())
        m_Slider->setValue(int(std::lround(i_Keys.time * 1000)));
}

VideoCut::Options VideoSource::Options() const
{
    VideoCut::Options options;
    options.codec = VideoCut::FindCodec(m_Codec->currentData().toString());
    options.crf = m_Crf->value();
    const QString audio = m_Audio->currentData().toString();
    options.audio = audio == QLatin1String("first") ? VideoCut::Audio::First
        : audio == QLatin1String("none")            ? VideoCut::Audio::None
                                                    : VideoCut::Audio::All;
    return options;
}

void VideoSource::SetSaving(bool i_Saving)
{
    m_Group->setEnabled(!i_Saving);
}

void VideoSource::TimeChosen(int i_Milliseconds)
{
    ShowTime(i_Milliseconds);
    if (!IsOpen())
        return;
    QString problem;
    const QImage frame = m_Reader.FrameAt(i_Milliseconds / 1000.0, &problem);
    if (frame.isNull())
        emit FrameFailed(problem);
    else
        emit FrameChanged(frame);
}

void VideoSource::ShowTime(int i_Milliseconds)
{
    m_Label->setText(QStringLiteral("%1 / %2").arg(VideoCut::Clock(i_Milliseconds / 1000.0),
                                                   VideoCut::Clock(m_Reader.Source().duration)));
}

void VideoSource::CodecChosen()
{
    const VideoCut::Codec* codec = VideoCut::FindCodec(m_Codec->currentData().toString());
    m_Crf->setEnabled(codec && codec->quality);
}
