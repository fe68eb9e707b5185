#pragma once

#include "core/setup/SetupFile.h"
#include "video/FrameReader.h"
#include "video/VideoCut.h"

#include <QImage>
#include <QObject>
#include <QString>

class QBoxLayout;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QSpinBox;
class QWidget;

// A page's source while it is a video: the time control under the source
// view (horizontalSliderVideoTime, labelVideoTime), the "VIDEO" group beside
// the output settings, the Save button's text, and the reader that holds the
// one frame on show. Everything it adds is hidden while the source is a
// picture.
class VideoSource : public QObject
{
    Q_OBJECT

public:
    struct Places
    {
        QBoxLayout* underSource; // the time control goes at index
        int index;
        QGridLayout* grid; // the group goes at row, column, row span
        int row;
        int column;
        int rowSpan;
        QPushButton* save;
    };
    VideoSource(QWidget* i_Page, const Places& i_Places);

    // "Load image..."'s filter: pictures and videos.
    static QString Filter();

    // The frame at the start of i_Path, or a null image and why; the time
    // control and the group show when it opens.
    QImage Open(const QString& i_Path, QString& o_Problem);
    // The source is a picture, or nothing.
    void Close();
    bool IsOpen() const { return m_Reader.IsOpen(); }
    QSize FrameSize() const { return m_Reader.Source().size; }

    // What a set-up keeps of it (not present for a picture), and the
    // settings and time read from one: the frame at that time is shown.
    SetupFile::Video Keys() const;
    void SetKeys(const SetupFile::Video& i_Keys);
    VideoCut::Options Options() const;
    // The controls that would start another save or change this one are
    // off while a save runs; the time control stays.
    void SetSaving(bool i_Saving);

signals:
    // The frame on show changed to i_Frame.
    void FrameChanged(const QImage& i_Frame);
    // Decoding the frame at a time failed; i_Problem says why.
    void FrameFailed(const QString& i_Problem);

private:
    void TimeChosen(int i_Milliseconds);
    void ShowTime(int i_Milliseconds);
    void CodecChosen();

    FrameReader m_Reader;
    QWidget* m_TimeControl = nullptr;
    QSlider* m_Slider = nullptr;
    QLabel* m_Label = nullptr;
    QGroupBox* m_Group = nullptr;
    QComboBox* m_Codec = nullptr;
    QSpinBox* m_Crf = nullptr;
    QComboBox* m_Audio = nullptr;
    QPushButton* m_Save = nullptr;
    QString m_SaveText; // the button's text for pictures
};
