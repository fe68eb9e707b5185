#include "canvas/PageCanvasOption.h"

#include "canvas/CanvasConfiguration.h"
#include "canvas/CanvasSaving.h"
#include "canvas/KvOutputSettingsWidget.h"
#include "canvas/KvPushOutputButton.h"
#include "canvas/SourceItem.h"
#include "common/DesktopSeam.h"
#include "common/VideoSaving.h"
#include "common/VideoSource.h"
#include "core/canvas/CanvasOutputs.h"
#include "core/common/AspectLock.h"
#include "core/files/SafeFiles.h"
#include "core/imaging/PngReader.h"
#include "core/naming/OutputNames.h"
#include "core/patterns/Patterns.h"
#include "core/setup/ControlRanges.h"
#include "core/setup/SetupFile.h"
#include "core/setup/SetupRender.h"
#include "traces/KvTraces.h"

#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QResizeEvent>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpacerItem>
#include <QtMath>

#include <limits>

namespace {

QPixmap Swatch(const QSize& i_Size, const QColor& i_Color)
{
    QPixmap pixmap(i_Size);
    pixmap.fill(i_Color);
    return pixmap;
}

// The shade inside every output's rectangle.
const QColor kOutputFill(0, 0, 0, 30);
} // namespace

#define CANVAS_ERROR(operation, text) ReportUnknownId(operation, __LINE__, QStringLiteral(text))

PAGE_CANVAS_OPTION::PAGE_CANVAS_OPTION(QWidget* parent)
    : QWidget(parent)
    , m_ScreenItem(QColor("#A8A7A6"))
{
    setupUi(this);
    connect(pushButtonSavePatterns, &QPushButton::clicked, this, &PAGE_CANVAS_OPTION::SavePatterns);
    InitUiComponent();
    m_OutputButtonGroup.setParent(LayoutVBoxOutputButtons);

    spinBoxScreenSizeH->setValue(1920);
    spinBoxScreenSizeV->setValue(1080);
    spinBoxScreenSizeH->setMinimum(ControlRanges::kMinScreen);
    spinBoxScreenSizeV->setMinimum(ControlRanges::kMinScreen);
    connect(spinBoxScreenSizeH, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &PAGE_CANVAS_OPTION::SLOT_ChangeScreenSize);
    connect(spinBoxScreenSizeV, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &PAGE_CANVAS_OPTION::SLOT_ChangeScreenSize);

    graphicsViewScreen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphicsViewScreen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphicsViewScreen->setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    graphicsViewScreen->setScene(&m_ScreenScene);
    m_ScreenScene.addItem(&m_ScreenItem);

    graphicsViewSource->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphicsViewSource->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    graphicsViewSource->setScene(&m_SourceScene);
    m_SourceScene.addItem(&m_SourcePixmapItem);

    m_OutputColors << CanvasOutputs::Palette();

    horizontalSliderQuality->setValue(100);
    on_horizontalSliderQuality_valueChanged(horizontalSliderQuality->value());

    ChangeOutputsOptionsState();
    lineEditOutputLabel->setText(GenerateAutoOutputLabel());
    // A label becomes part of a file name: only what is safe in one.
    lineEditOutputLabel->setValidator(new QRegularExpressionValidator(OutputNames::NamePattern(), this));

    for (QSpinBox* box : {spinBoxCropLeft, spinBoxCropTop, spinBoxCropRight, spinBoxCropBottom}) {
        box->setRange(0, 0);
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &PAGE_CANVAS_OPTION::SLOT_ModifyCropping);
    }
    frameCropSettings->setEnabled(false);

    m_BackgroundGroup.addButton(radioButtonColor, CanvasEngine::BackgroundColor);
    m_BackgroundGroup.addButton(radioButtonTransparency, CanvasEngine::BackgroundTransparent);
    labelColor->setFixedSize(50, 25);
    labelColor->setPixmap(Swatch(QSize(50, 25), m_BackgroundColor));
    toolButtonColor->setEnabled(true);
    connect(&m_BackgroundGroup, &QButtonGroup::idClicked, this, &PAGE_CANVAS_OPTION::SLOT_ModifyScreenBackgroundMode);

    m_ImageSizeGroup.addButton(fullscreenRadioButton, CanvasEngine::SizeFullScreen);
    m_ImageSizeGroup.addButton(originalSizeRadioButton, CanvasEngine::SizeOriginal);
    m_ImageSizeGroup.addButton(customSizeRadioButton, CanvasEngine::SizeCustom);
    for (QSpinBox* box : {spinBoxCustomSizeWidth, spinBoxCustomSizeHeight}) {
        box->setRange(0, ControlRanges::kMaxCustom);
        box->setEnabled(false);
    }
    pushButtonLocker->setEnabled(false);
    ShowLock(false);
    pushButtonLocker->setChecked(false);
    connect(pushButtonLocker, &QPushButton::clicked, this, &PAGE_CANVAS_OPTION::SLOT_ChangeButtonLockerState);
    connect(&m_ImageSizeGroup, &QButtonGroup::idClicked, this, &PAGE_CANVAS_OPTION::SLOT_ModifyImageSizeInScreenMode);
    for (QSpinBox* box : {spinBoxCustomSizeWidth, spinBoxCustomSizeHeight})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &PAGE_CANVAS_OPTION::SLOT_ChangeImageSizeInScreen);

    m_ImagePositionGroup.addButton(centeredRadioButton, IMAGE_POSITION_CENTERED);
    m_ImagePositionGroup.addButton(customPosRadioButton, IMAGE_POSITION_CUSTOM);
    for (QSpinBox* box : {spinBoxCustomPosX, spinBoxCustomPosY}) {
        box->setRange(0, ControlRanges::kMaxCustom);
        box->setEnabled(false);
    }
    connect(&m_ImagePositionGroup, &QButtonGroup::idClicked, this,
            &PAGE_CANVAS_OPTION::SLOT_ModifyImagePositionInScreenMode);
    for (QSpinBox* box : {spinBoxCustomPosX, spinBoxCustomPosY})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &PAGE_CANVAS_OPTION::SLOT_ChangeImagePositionInScreen);

    const QList<QPair<QPushButton*, const char*>> positions = {
        {pushButtonPosTopLeft, "Top left"},        {pushButtonPosTopCenter, "Top center"},
        {pushButtonPosTopRight, "Top right"},      {pushButtonPosCenterLeft, "Middle left"},
        {pushButtonPosCenter, "Middle center"},    {pushButtonPosCenterRight, "Middle right"},
        {pushButtonPosBottomLeft, "Bottom left"},  {pushButtonPosBottomCenter, "Bottom center"},
        {pushButtonPosBottomRight, "Bottom right"}};
    for (int id = 0; id < positions.size(); ++id) {
        positions[id].first->setToolTip(tr(positions[id].second));
        m_OutputPositionGroup.addButton(positions[id].first, id);
    }
    connect(&m_OutputPositionGroup, &QButtonGroup::idClicked, this, &PAGE_CANVAS_OPTION::SLOT_ChangeCurrentOutputPos);

    const QList<QPair<QPushButton*, const char*>> sizes = {
        {pushButtonQuarterSize, "Half of the screen width and height"},
        {pushButtonFullSizeV, "Full screen height"},
        {pushButtonFullSizeH, "Full screen width"},
        {pushButtonFullSize, "Full screen"}};
    for (int id = 0; id < sizes.size(); ++id) {
        sizes[id].first->setToolTip(tr(sizes[id].second));
        m_OutputSizeGroup.addButton(sizes[id].first, id);
    }
    connect(&m_OutputSizeGroup, &QButtonGroup::idClicked, this, &PAGE_CANVAS_OPTION::SLOT_ChangeCurrentOutputSize);

    labelOutputNameWarning->hide();
    labelOutputNameWarning->setText(tr("This output name already exists, it cannot be added."));

    m_Video = new VideoSource(
        this,
        {verticalLayout_2, verticalLayout_2->indexOf(graphicsViewSource) + 1, gridLayout, 0, 5, 2, pushButtonSave});
    connect(m_Video, &VideoSource::FrameChanged, this, &PAGE_CANVAS_OPTION::ShowVideoFrame);
    connect(m_Video, &VideoSource::FrameFailed, this, [this](const QString& i_Problem) {
        ShowMessage(QMessageBox::Warning, tr("This frame of the video cannot be shown."), i_Problem);
    });
}

PAGE_CANVAS_OPTION::~PAGE_CANVAS_OPTION()
{
    // The views outlive the scenes (they are children of the page): let go
    // of the scenes first.
    graphicsViewScreen->setScene(nullptr);
    graphicsViewSource->setScene(nullptr);
    m_ScreenScene.removeItem(&m_ScreenItem);
    m_SourceScene.removeItem(&m_SourcePixmapItem);
}

void PAGE_CANVAS_OPTION::InitUiComponent()
{
    const QList<QPair<QPushButton*, const char*>> icons = {{pushButtonPosTopLeft, "pos-top-left"},
                                                           {pushButtonPosTopCenter, "pos-top-center"},
                                                           {pushButtonPosTopRight, "pos-top-right"},
                                                           {pushButtonPosCenterLeft, "pos-center-left"},
                                                           {pushButtonPosCenter, "pos-center"},
                                                           {pushButtonPosCenterRight, "pos-center-right"},
                                                           {pushButtonPosBottomLeft, "pos-bottom-left"},
                                                           {pushButtonPosBottomCenter, "pos-bottom-center"},
                                                           {pushButtonPosBottomRight, "pos-bottom-right"},
                                                           {pushButtonQuarterSize, "quarter-size"},
                                                           {pushButtonFullSizeV, "full-size-v"},
                                                           {pushButtonFullSizeH, "full-size-h"},
                                                           {pushButtonFullSize, "full-size"}};
    for (const auto& icon : icons)
        icon.first->setIcon(QIcon(QStringLiteral(":/icons/Icones_Options/%1.png").arg(icon.second)));
}

void PAGE_CANVAS_OPTION::SetStyleSheetApp(const QString& i_StyleSheet)
{
    m_StyleSheetApp = i_StyleSheet;
}

void PAGE_CANVAS_OPTION::ShowMessage(QMessageBox::Icon i_Icon, const QString& i_Text, const QString& i_Detail)
{
    DesktopSeam::Tell(this, i_Icon, i_Text, m_StyleSheetApp, i_Detail);
}

void PAGE_CANVAS_OPTION::ReportLoadFailure(const QString& i_FileName, const QString& i_Problem)
{
    ShowMessage(QMessageBox::Information, QStringLiteral("Error while loading image file in Canvas menu."),
                QStringLiteral("%1: %2").arg(SafeFiles::Printable(QDir::toNativeSeparators(i_FileName)), i_Problem));
}

void PAGE_CANVAS_OPTION::ReportUnknownId(const char* i_Operation, int i_Line, const QString& i_Text)
{
    KvTracesLevelError(QStringLiteral("PageCanvasOption ") + QLatin1String(i_Operation) + QStringLiteral("() Line ")
                           + QString::number(i_Line) + QLatin1Char(' ') + i_Text,
                       TRACES_MESSAGE_M);
}

// --- Source image -------------------------------------------------------------

void PAGE_CANVAS_OPTION::on_pushButtonLoadSource_clicked()
{
    const QString fileName = DesktopSeam::Current().GetOpenFileName(this, tr("Load image"), QString(),
                                                                    VideoSource::Filter());
    if (fileName.isEmpty())
        return;
    QString problem;
    if (!LoadImage(fileName, &problem))
        ReportLoadFailure(fileName, problem);
}

bool PAGE_CANVAS_OPTION::LoadImage(const QString& i_FileName, QString* o_Problem)
{
    return UsePicture(ReadSource(i_FileName, o_Problem), i_FileName);
}

QImage PAGE_CANVAS_OPTION::ReadSource(const QString& i_FileName, QString* o_Problem)
{
    if (!VideoCut::IsVideo(i_FileName)) {
        m_Video->Close();
        return PngReader::Load(i_FileName, nullptr, o_Problem);
    }
    QString problem;
    const QImage frame = m_Video->Open(i_FileName, problem);
    if (o_Problem)
        *o_Problem = problem;
    return frame;
}

void PAGE_CANVAS_OPTION::ShowVideoFrame(const QImage& i_Frame)
{
    m_SourceImage = i_Frame;
    // The crop as set, and the screen composed again with the new frame.
    on_checkBoxCropSource_stateChanged(checkBoxCropSource->checkState());
}

bool PAGE_CANVAS_OPTION::UsePicture(const QImage& i_Picture, const QString& i_FileName)
{
    m_SourceImage = i_Picture;
    if (m_SourceImage.isNull()) {
        m_SourcePath.clear();
        m_SourceWidth = 0;
        m_SourceHeight = 0;
        labelImageSizeSource->setText(QStringLiteral("%1 x %2").arg(0).arg(0));
        return false;
    }
    m_SourcePath = i_FileName;
    m_SourceWidth = m_SourceImage.width();
    m_SourceHeight = m_SourceImage.height();
    spinBoxCropLeft->setRange(0, m_SourceWidth);
    spinBoxCropRight->setRange(0, m_SourceWidth);
    spinBoxCropTop->setRange(0, m_SourceHeight);
    spinBoxCropBottom->setRange(0, m_SourceHeight);
    on_checkBoxCropSource_stateChanged(checkBoxCropSource->checkState());
    m_SourceScene.setSceneRect(0, 0, m_SourceWidth, m_SourceHeight);
    graphicsViewSource->fitInView(m_SourceScene.sceneRect(), Qt::KeepAspectRatio);

    ApplyModes();
    RefreshImageScreen();
    ChangeOutputsOptionsState();
    labelImageSizeSource->setText(QStringLiteral("%1 x %2").arg(m_SourceWidth).arg(m_SourceHeight));
    return true;
}

// --- Cropping -----------------------------------------------------------------

void PAGE_CANVAS_OPTION::UpdateCroppingRange(_CROP_ID i_Side)
{
    // Pulls a margin back when it and the opposite one take more than the picture.
    auto clamp = [](QSpinBox* box, const QSpinBox* opposite, int size) {
        const int clamped = CanvasEngine::ClampedCrop(box->value(), opposite->value(), size);
        if (clamped != box->value())
            box->setValue(clamped);
    };
    switch (i_Side) {
    case CROP_LEFT:
        clamp(spinBoxCropLeft, spinBoxCropRight, m_SourceWidth);
        break;
    case CROP_TOP:
        clamp(spinBoxCropTop, spinBoxCropBottom, m_SourceHeight);
        break;
    case CROP_RIGHT:
        clamp(spinBoxCropRight, spinBoxCropLeft, m_SourceWidth);
        break;
    case CROP_BOTTOM:
        clamp(spinBoxCropBottom, spinBoxCropTop, m_SourceHeight);
        break;
    }
}

void PAGE_CANVAS_OPTION::on_checkBoxCropSource_stateChanged(int)
{
    for (_CROP_ID side : {CROP_LEFT, CROP_TOP, CROP_RIGHT, CROP_BOTTOM})
        UpdateCroppingRange(side);
    if (checkBoxCropSource->isChecked()) {
        frameCropSettings->setEnabled(true);
        ApplyCropping(spinBoxCropLeft->value(), spinBoxCropTop->value(), spinBoxCropRight->value(),
                      spinBoxCropBottom->value());
    } else {
        frameCropSettings->setEnabled(false);
        ApplyCropping(0, 0, 0, 0);
    }
    FollowCropInOriginalSize();
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::SLOT_ModifyCropping()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == spinBoxCropLeft->objectName())
        UpdateCroppingRange(CROP_LEFT);
    else if (name == spinBoxCropTop->objectName())
        UpdateCroppingRange(CROP_TOP);
    else if (name == spinBoxCropRight->objectName())
        UpdateCroppingRange(CROP_RIGHT);
    else if (name == spinBoxCropBottom->objectName())
        UpdateCroppingRange(CROP_BOTTOM);
    // The boxes keep their values while cropping is off (a set-up read from
    // a file sets them too); they cut only while it is on.
    if (checkBoxCropSource->isChecked())
        ApplyCropping(spinBoxCropLeft->value(), spinBoxCropTop->value(), spinBoxCropRight->value(),
                      spinBoxCropBottom->value());
    else
        ApplyCropping(0, 0, 0, 0);
    FollowCropInOriginalSize();
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::FollowCropInOriginalSize()
{
    // At its original size the image is as large as what the crop leaves;
    // keeping the size of the uncropped image would stretch it.
    if (m_ImageSizeMode != CanvasEngine::SizeOriginal || m_SourceImage.isNull())
        return;
    m_Input.imageWidth = m_CroppedImage.width();
    m_Input.imageHeight = m_CroppedImage.height();
    ComputeImagePosInScreen(m_ImagePositionMode);
}

void PAGE_CANVAS_OPTION::ApplyCropping(unsigned int i_Left, unsigned int i_Top, unsigned int i_Right,
                                       unsigned int i_Bottom)
{
    if (m_SourceImage.isNull())
        return;
    HelpersCompute_ComputeCropping(m_SourceImage, i_Left, i_Top, i_Right, i_Bottom, &m_CroppedImage);
    m_SourcePixmapItem.setPixmap(QPixmap::fromImage(m_CroppedImage));
    m_SourceScene.setSceneRect(0, 0, m_CroppedImage.width(), m_CroppedImage.height());
    graphicsViewSource->fitInView(m_SourceScene.sceneRect(), Qt::KeepAspectRatio);
}

// --- Screen and background ----------------------------------------------------

void PAGE_CANVAS_OPTION::ApplyModes()
{
    SLOT_ModifyScreenBackgroundMode(m_BackgroundMode);
    SLOT_ModifyImageSizeInScreenMode(m_ImageSizeMode);
    ComputeImagePosInScreen(m_ImagePositionMode);
}

void PAGE_CANVAS_OPTION::SLOT_ChangeScreenSize()
{
    FollowScreenSize();
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::FollowScreenSize()
{
    m_Input.screenWidth = spinBoxScreenSizeH->value();
    m_Input.screenHeight = spinBoxScreenSizeV->value();
    // Said when the size is set, whether or not there is a picture yet.
    if (!CanvasEngine::ScreenFits(m_Input.screenWidth, m_Input.screenHeight))
        ReportScreenTooLarge();
    SLOT_ModifyImageSizeInScreenMode(m_ImageSizeMode);
    for (int id = 0; id < m_OutputItems.size(); ++id) {
        m_OutputSettingsWidgets[id]->ChangeSpinBoxRange(0, m_Input.screenWidth, 0, m_Input.screenHeight, 0,
                                                        m_Input.screenWidth, 0, m_Input.screenHeight);
        PlaceOutput(id, ResizeOutputitemByDefault(id, true));
    }
}

void PAGE_CANVAS_OPTION::SLOT_ModifyScreenBackgroundMode(int i_ButtonId)
{
    m_BackgroundMode = i_ButtonId;
    if (i_ButtonId == CanvasEngine::BackgroundColor) {
        m_Input.background = m_BackgroundColor;
        toolButtonColor->setEnabled(true);
    } else if (i_ButtonId == CanvasEngine::BackgroundTransparent) {
        m_Input.background = Qt::transparent;
        toolButtonColor->setEnabled(false);
    } else {
        toolButtonColor->setEnabled(false);
        CANVAS_ERROR("SLOT_ModifyScreenBackgroundMode", "The button id didn't manage");
    }
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::on_toolButtonColor_clicked()
{
    const QColor color = DesktopSeam::Current().GetColor(Qt::white, this, QString(),
                                                         QColorDialog::ColorDialogOptions());
    if (color.isValid()) {
        ModifyBackgroundScreenColor(color);
        SLOT_ModifyScreenBackgroundMode(m_BackgroundMode);
    }
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::ModifyBackgroundScreenColor(const QColor& i_Color)
{
    if (!i_Color.isValid()) {
        CANVAS_ERROR("ModifyBackgroundScreenColor", "The screen backgreound color is invalid");
        return;
    }
    m_BackgroundColor = i_Color;
    labelColor->setPixmap(Swatch(QSize(50, 25), m_BackgroundColor));
}

// --- Image size and position --------------------------------------------------

void PAGE_CANVAS_OPTION::SLOT_ModifyImageSizeInScreenMode(int i_ButtonId)
{
    m_ImageSizeMode = i_ButtonId;
    QSize size(m_Input.imageWidth, m_Input.imageHeight);
    const bool known = CanvasEngine::PlacedSize(
        i_ButtonId, QSize(m_Input.screenWidth, m_Input.screenHeight),
        m_SourceImage.isNull() ? QImage() : m_CroppedImage,
        QSize(spinBoxCustomSizeWidth->value(), spinBoxCustomSizeHeight->value()), size);
    m_Input.imageWidth = size.width();
    m_Input.imageHeight = size.height();
    const bool custom = i_ButtonId == CanvasEngine::SizeCustom;
    pushButtonLocker->setEnabled(custom);
    spinBoxCustomSizeWidth->setEnabled(custom);
    spinBoxCustomSizeHeight->setEnabled(custom);
    if (!known)
        CANVAS_ERROR("SLOT_ModifyImageSizeInScreenMode", "The button id didn't manage");
    ComputeImagePosInScreen(m_ImagePositionMode);
    RefreshImageScreen();
}

int PAGE_CANVAS_OPTION::LockedOtherSide(int i_Value, bool i_FromWidth) const
{
    int other = i_FromWidth ? spinBoxCustomSizeHeight->value() : spinBoxCustomSizeWidth->value();
    AspectLock::OtherSide(m_SourceWidth, m_SourceHeight, i_Value, i_FromWidth, other);
    return other;
}

void PAGE_CANVAS_OPTION::SLOT_ChangeImageSizeInScreen()
{
    if (pushButtonLocker->isChecked()) {
        if (spinBoxCustomSizeWidth->hasFocus()) {
            m_Input.imageWidth = spinBoxCustomSizeWidth->value();
            m_Input.imageHeight = LockedOtherSide(m_Input.imageWidth, true);
            spinBoxCustomSizeHeight->setValue(m_Input.imageHeight);
        } else if (spinBoxCustomSizeHeight->hasFocus()) {
            m_Input.imageHeight = spinBoxCustomSizeHeight->value();
            m_Input.imageWidth = LockedOtherSide(m_Input.imageHeight, false);
            spinBoxCustomSizeWidth->setValue(m_Input.imageWidth);
        }
    } else {
        m_Input.imageWidth = spinBoxCustomSizeWidth->value();
        m_Input.imageHeight = spinBoxCustomSizeHeight->value();
    }
    ComputeImagePosInScreen(m_ImagePositionMode);
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::ShowLock(bool i_Locked)
{
    pushButtonLocker->setIcon(
        QIcon(i_Locked ? QStringLiteral(":/locker/locker-close.png") : QStringLiteral(":/locker/locker-open.png")));
}

void PAGE_CANVAS_OPTION::SLOT_ChangeButtonLockerState(Bool i_Checked)
{
    ShowLock(i_Checked);
    if (!i_Checked)
        return;
    m_Input.imageWidth = spinBoxCustomSizeWidth->value();
    m_Input.imageHeight = LockedOtherSide(m_Input.imageWidth, true);
    spinBoxCustomSizeHeight->setValue(m_Input.imageHeight);
    ComputeImagePosInScreen(m_ImagePositionMode);
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::SLOT_ModifyImagePositionInScreenMode(int i_ButtonId)
{
    m_ImagePositionMode = _IMAGE_POSITION_IN_SCREEN_ID(i_ButtonId);
    ComputeImagePosInScreen(m_ImagePositionMode);
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::SLOT_ChangeImagePositionInScreen()
{
    ComputeImagePosInScreen(m_ImagePositionMode);
    RefreshImageScreen();
}

void PAGE_CANVAS_OPTION::ComputeImagePosInScreen(_IMAGE_POSITION_IN_SCREEN_ID i_Mode)
{
    switch (i_Mode) {
    case IMAGE_POSITION_CUSTOM:
        m_Input.imageX = spinBoxCustomPosX->value();
        m_Input.imageY = spinBoxCustomPosY->value();
        spinBoxCustomPosX->setEnabled(true);
        spinBoxCustomPosY->setEnabled(true);
        break;
    case IMAGE_POSITION_CENTERED: {
        const QPoint at = CanvasEngine::CenteredPosition(QSize(m_Input.screenWidth, m_Input.screenHeight),
                                                         QSize(m_Input.imageWidth, m_Input.imageHeight));
        m_Input.imageX = at.x();
        m_Input.imageY = at.y();
        spinBoxCustomPosX->setEnabled(false);
        spinBoxCustomPosY->setEnabled(false);
        break;
    }
    default:
        CANVAS_ERROR("ComputeImagePosInScreen", "The button id didn't manage");
        break;
    }
}

// --- Composition and views ----------------------------------------------------

void PAGE_CANVAS_OPTION::RefreshImageScreen()
{
    if (m_SourceImage.isNull() || m_HoldComposing)
        return;
    // A screen that cannot be composed keeps the last picture on show; the
    // user was told when the size was set.
    if (!m_Composer.Compose(m_CroppedImage, m_Input, m_ScreenImage)) {
        ReportScreenTooLarge();
        return;
    }
    m_TooLargeReported = false;
    m_ShownSize = QSize(); // a new picture to show, whatever its size
    ShowScreen();
}

void PAGE_CANVAS_OPTION::ReportScreenTooLarge()
{
    // Once, until a screen that fits clears the flag.
    if (m_TooLargeReported)
        return;
    m_TooLargeReported = true;
    ShowMessage(QMessageBox::Warning,
                tr("The screen of %1 x %2 pixels is too large to compose. Choose a smaller screen size.")
                    .arg(m_Input.screenWidth)
                    .arg(m_Input.screenHeight));
}

void PAGE_CANVAS_OPTION::ShowScreen()
{
    if (m_ScreenImage.isNull())
        return;
    // The view shows the screen fitted into it: a picture at the view's own
    // resolution looks the same and spares copying a screen of many
    // megapixels into a pixmap on every change.
    const QSize screen = m_ScreenImage.size();
    const qreal ratio = graphicsViewScreen->devicePixelRatioF();
    const QSize view = graphicsViewScreen->viewport()->size() * ratio;
    const qreal scale = qMin(qreal(view.width()) / screen.width(), qreal(view.height()) / screen.height());
    const QSize shown = scale >= 1.0 || view.isEmpty()
        ? screen
        : QSize(qMax(1, qCeil(screen.width() * scale)), qMax(1, qCeil(screen.height() * scale)));
    if (shown != m_ShownSize) {
        m_ScreenItem.SetPixmap(QPixmap::fromImage(shown == screen ? m_ScreenImage
                                                                  : m_ScreenImage.scaled(shown, Qt::IgnoreAspectRatio,
                                                                                         Qt::FastTransformation)),
                               screen);
        m_ShownSize = shown;
    }
    FitViews();
}

void PAGE_CANVAS_OPTION::FitViews()
{
    m_ScreenScene.setSceneRect(0, 0, m_Input.screenWidth, m_Input.screenHeight);
    graphicsViewScreen->fitInView(m_ScreenScene.sceneRect(), Qt::KeepAspectRatio);
}

void PAGE_CANVAS_OPTION::FollowViews()
{
    // The picture on show follows the view's resolution (made again only
    // when that changed), and both views fit their scenes.
    ShowScreen();
    FitViews();
    graphicsViewSource->fitInView(m_SourceScene.sceneRect(), Qt::KeepAspectRatio);
}

void PAGE_CANVAS_OPTION::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A hidden page's views are laid out only now: what was set while it was
    // hidden (a set-up loaded from the other page) was fitted to views of no
    // real size.
    FollowViews();
    labelColor->setPixmap(Swatch(labelColor->size(), m_BackgroundColor));
}

void PAGE_CANVAS_OPTION::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FollowViews();
}

// --- Outputs --------------------------------------------------------------------

void PAGE_CANVAS_OPTION::ChangeOutputsOptionsState()
{
    const CanvasOutputs::ControlStates states = CanvasOutputs::OutputControlStates(!m_SourceImage.isNull(),
                                                                                   m_OutputCount);
    pushButtonAddOutput->setEnabled(states.add);
    lineEditOutputLabel->setEnabled(states.add);
    for (QWidget* widget :
         {pushButtonRemoveOutput, pushButtonOutputsReset, pushButtonSave, pushButtonSavePatterns, pushButtonPosTopLeft,
          pushButtonPosTopCenter, pushButtonPosTopRight, pushButtonPosCenterLeft, pushButtonPosCenter,
          pushButtonPosCenterRight, pushButtonPosBottomLeft, pushButtonPosBottomCenter, pushButtonPosBottomRight,
          pushButtonQuarterSize, pushButtonFullSizeV, pushButtonFullSizeH, pushButtonFullSize})
        widget->setEnabled(states.others);
}

QString PAGE_CANVAS_OPTION::GenerateAutoOutputLabel()
{
    QStringList taken;
    for (const CLASS_KV_PUSH_OUTPUT_BUTTON* button : m_OutputButtons)
        taken << button->text();
    return CanvasOutputs::ProposedLabel(taken);
}

bool PAGE_CANVAS_OPTION::CheckOutputNameAlreadyExist(const QString& i_Name)
{
    for (const CLASS_KV_PUSH_OUTPUT_BUTTON* button : m_OutputButtons)
        if (button->text() == i_Name)
            return true;
    return false;
}

void PAGE_CANVAS_OPTION::on_horizontalSliderQuality_valueChanged(int value)
{
    labelQuality->setText(tr("Picture quality: %1%").arg(value));
}

void PAGE_CANVAS_OPTION::on_pushButtonAddOutput_clicked()
{
    labelOutputNameWarning->hide();
    if (m_OutputCount < CanvasOutputs::kMaxOutputs) {
        const QString label = lineEditOutputLabel->text();
        if (CheckOutputNameAlreadyExist(label)) {
            labelOutputNameWarning->show();
            return;
        }
        QList<QColor> used;
        for (const CLASS_SOURCE_ITEM* item : m_OutputItems)
            used << item->GetBorderColor();
        AddOutputItem(m_OutputCount, label, CanvasOutputs::FreeColour(m_OutputColors, used), kOutputFill);
        ModifyOutputItemSelected(m_OutputCount);
        ++m_OutputCount;
        lineEditOutputLabel->setText(GenerateAutoOutputLabel());
        if (m_OutputCount < CanvasOutputs::kMaxOutputs) {
            ChangeOutputsOptionsState();
            return;
        }
    }
    m_OutputCount = CanvasOutputs::kMaxOutputs;
    ChangeOutputsOptionsState();
}

void PAGE_CANVAS_OPTION::AddOutputItem(int i_ID, const QString& i_Label, const QColor& i_BorderColor,
                                       const QColor& i_FillColor)
{
    for (int index = 0; index < LayoutVBoxOutputButtons->count();) {
        if (QSpacerItem* spacer = LayoutVBoxOutputButtons->itemAt(index)->spacerItem()) {
            LayoutVBoxOutputButtons->removeItem(spacer);
            delete spacer;
        } else {
            ++index;
        }
    }
    auto* button = new CLASS_KV_PUSH_OUTPUT_BUTTON(i_ID, i_BorderColor);
    m_OutputButtons << button;
    button->setText(i_Label);
    button->setFlat(true);
    LayoutVBoxOutputButtons->addWidget(button);
    LayoutVBoxOutputButtons->addItem(new QSpacerItem(20, 40, QSizePolicy::Fixed, QSizePolicy::Expanding));
    m_OutputButtonGroup.addButton(button, -1);
    connect(button, &CLASS_KV_PUSH_OUTPUT_BUTTON::SIGNAL_KVPushButtonOutputClicked, this,
            [this](Bool i_Checked, SWord i_ID) { SLOT_ClickOutputsButton(i_Checked, DWord(i_ID)); });

    // The ranges come from the screen size as set, not from the picture on
    // show: a screen too large to compose shows none (or an older one), and
    // the outputs of a set-up read for it must keep their places.
    const int w = m_Input.screenWidth, h = m_Input.screenHeight;
    auto* settings = new CLASS_KV_OUTPUT_SETTINGS_WIDGET(i_ID, i_Label, 0, w, 0, h, 0, w, 0, h, QMargins(0, 0, 0, 0));
    m_OutputSettingsWidgets << settings;
    stackedWidgetOutputSettings->addWidget(settings);
    for (auto signal : {&CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosXValueChanged,
                        &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosYValueChanged})
        connect(settings, signal, this, [this](SDWord i_ID, SDWord) { SLOT_ChangeOutputPosValue(i_ID); });
    for (auto signal : {&CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_WidthValueChanged,
                        &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_HeightValueChanged})
        connect(settings, signal, this, [this](SDWord i_ID, SDWord) { SLOT_ChangeOutputSizeValue(i_ID); });
    connect(settings, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_DeviceChanged, this, [this](SDWord i_ID) {
        if (i_ID >= 0 && i_ID < m_OutputItems.size())
            m_OutputItems[i_ID]->SetMountRotation(m_OutputSettingsWidgets[i_ID]->GetOrientation().rotation);
    });

    auto* item = new CLASS_SOURCE_ITEM(i_ID, i_BorderColor, i_FillColor);
    m_OutputItems << item;
    m_ScreenScene.addItem(item);
    PlaceOutput(m_OutputItems.size() - 1, ResizeOutputitemByDefault(i_ID, false));
    connect(item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange, this,
            [this](DWord i_ID, const QRectF& i_Rect) { SLOT_ChangeItemSourceSceneBoundingRect(SDWord(i_ID), i_Rect); });
    connect(item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged, this,
            &PAGE_CANVAS_OPTION::SLOT_ChangeOutputItemSelectedState);
}

void PAGE_CANVAS_OPTION::PlaceOutput(int i_ID, const QRect& i_Rect)
{
    CLASS_SOURCE_ITEM* item = m_OutputItems[i_ID];
    CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = m_OutputSettingsWidgets[i_ID];
    item->SetItemPos(i_Rect.x(), i_Rect.y());
    settings->SetPosXValue(i_Rect.x());
    settings->SetPosYValue(i_Rect.y());
    item->SetSize(i_Rect.width(), i_Rect.height());
    settings->SetWidthValue(i_Rect.width());
    settings->SetHeightValue(i_Rect.height());
}

QRect PAGE_CANVAS_OPTION::ResizeOutputitemByDefault(unsigned int i_ID, bool i_KeepInside)
{
    if (!i_KeepInside || int(i_ID) >= m_OutputItems.size())
        return CanvasOutputs::DefaultRect(int(i_ID), ScreenSize());
    return CanvasOutputs::KeptOrDefaultRect(m_OutputItems[int(i_ID)]->sceneBoundingRect(), int(i_ID), ScreenSize());
}

int PAGE_CANVAS_OPTION::CurrentOutput() const
{
    for (int id = 0; id < m_OutputItems.size(); ++id)
        if (m_OutputItems[id]->IsItemSelected())
            return id;
    return -1;
}

void PAGE_CANVAS_OPTION::ModifyOutputItemSelected(unsigned int i_ID)
{
    if (int(i_ID) >= m_OutputItems.size())
        return;
    UnselectAllOutputItem();
    m_OutputButtons[int(i_ID)]->setChecked(true);
    stackedWidgetOutputSettings->setCurrentIndex(int(i_ID));
    m_OutputItems[int(i_ID)]->SetItemSelected(true);
    m_OutputItems[int(i_ID)]->setZValue(std::numeric_limits<double>::max());
}

void PAGE_CANVAS_OPTION::UnselectAllOutputItem()
{
    for (CLASS_SOURCE_ITEM* item : m_OutputItems) {
        item->setZValue(0);
        item->SetItemSelected(false);
    }
}

void PAGE_CANVAS_OPTION::SLOT_ClickOutputsButton(Bool, DWord i_ID)
{
    ModifyOutputItemSelected(i_ID);
}

void PAGE_CANVAS_OPTION::SLOT_ChangeOutputItemSelectedState(DWord i_ID, Bool i_ItemSelectedState)
{
    if (i_ItemSelectedState)
        ModifyOutputItemSelected(i_ID);
}

void PAGE_CANVAS_OPTION::on_pushButtonRemoveOutput_clicked()
{
    const int current = CurrentOutput();
    if (current < 0)
        return;
    delete m_OutputButtons.takeAt(current);
    delete m_OutputSettingsWidgets.takeAt(current);
    CLASS_SOURCE_ITEM* item = m_OutputItems.takeAt(current);
    m_ScreenScene.removeItem(item);
    delete item;
    --m_OutputCount;
    for (int id = 0; id < m_OutputItems.size(); ++id) {
        m_OutputButtons[id]->SetID(id);
        m_OutputSettingsWidgets[id]->SetID(id);
        m_OutputItems[id]->SetID(id);
    }
    lineEditOutputLabel->setText(GenerateAutoOutputLabel());
    ChangeOutputsOptionsState();
    if (!m_OutputButtons.isEmpty())
        ModifyOutputItemSelected(m_OutputButtons.first()->GetID());
}

void PAGE_CANVAS_OPTION::ResetOutputs()
{
    for (int id = 0; id < m_OutputItems.size(); ++id) {
        delete m_OutputButtons[id];
        delete m_OutputSettingsWidgets[id];
        m_ScreenScene.removeItem(m_OutputItems[id]);
        delete m_OutputItems[id];
    }
    m_OutputCount = 0;
    m_OutputButtons.clear();
    m_OutputSettingsWidgets.clear();
    m_OutputItems.clear();
}

void PAGE_CANVAS_OPTION::on_pushButtonOutputsReset_clicked()
{
    ResetOutputs();
    lineEditOutputLabel->setText(GenerateAutoOutputLabel());
    ChangeOutputsOptionsState();
}

void PAGE_CANVAS_OPTION::SLOT_ChangeItemSourceSceneBoundingRect(SDWord i_ID, QRectF i_NewBoundingRect)
{
    if (i_ID < 0 || i_ID >= m_OutputItems.size())
        return;
    CLASS_SOURCE_ITEM* item = m_OutputItems[i_ID];
    const QRect rect(int(i_NewBoundingRect.x()), int(i_NewBoundingRect.y()), int(i_NewBoundingRect.width()),
                     int(i_NewBoundingRect.height()));
    QRect values;
    if (item->IsItemPressed() && !item->IsGrabberSelected()) {
        values = CanvasOutputs::PushedInside(rect, ScreenSize());
        item->SetItemPos(values.x(), values.y());
    } else {
        values = CanvasOutputs::ClippedToScreen(rect, ScreenSize());
        item->SetItemPos(values.x(), values.y());
        item->SetSize(values.width(), values.height());
    }
    m_OutputSettingsWidgets[i_ID]->ChangeSpinBoxValue(values.x(), values.y(), values.width(), values.height());
}

bool PAGE_CANVAS_OPTION::TypedOutputValues(SDWord i_ID, QRect& o_Values) const
{
    // While a drag is under way the drag decides; values written back by it
    // come here too and are left alone.
    if (i_ID < 0 || i_ID >= m_OutputItems.size())
        return false;
    const CLASS_SOURCE_ITEM* item = m_OutputItems[i_ID];
    if (item->IsItemPressed() || item->IsGrabberSelected())
        return false;
    const CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = m_OutputSettingsWidgets[i_ID];
    o_Values = QRect(settings->GetPosXValue(), settings->GetPosYValue(), settings->GetWidthValue(),
                     settings->GetHeightValue());
    return true;
}

void PAGE_CANVAS_OPTION::SLOT_ChangeOutputPosValue(SDWord i_ID)
{
    QRect values;
    if (!TypedOutputValues(i_ID, values))
        return;
    const CanvasOutputs::Correction correction = CanvasOutputs::PositionCorrection(values, ScreenSize());
    if (correction.field == CanvasOutputs::Field::X)
        m_OutputSettingsWidgets[i_ID]->SetPosXValue(correction.value);
    else if (correction.field == CanvasOutputs::Field::Y)
        m_OutputSettingsWidgets[i_ID]->SetPosYValue(correction.value);
    else
        m_OutputItems[i_ID]->SetItemPos(values.x(), values.y());
}

void PAGE_CANVAS_OPTION::SLOT_ChangeOutputSizeValue(SDWord i_ID)
{
    QRect values;
    if (!TypedOutputValues(i_ID, values))
        return;
    const CanvasOutputs::Correction correction = CanvasOutputs::SizeCorrection(values, ScreenSize());
    if (correction.field == CanvasOutputs::Field::Width) {
        m_OutputSettingsWidgets[i_ID]->SetWidthValue(correction.value);
    } else if (correction.field == CanvasOutputs::Field::Height) {
        m_OutputSettingsWidgets[i_ID]->SetHeightValue(correction.value);
    } else if (correction.field == CanvasOutputs::Field::X || correction.field == CanvasOutputs::Field::Y) {
        if (correction.field == CanvasOutputs::Field::X)
            m_OutputSettingsWidgets[i_ID]->SetPosXValue(correction.value);
        else
            m_OutputSettingsWidgets[i_ID]->SetPosYValue(correction.value);
        SLOT_ChangeOutputSizeValue(i_ID);
    } else {
        m_OutputItems[i_ID]->SetItemPos(values.x(), values.y());
        m_OutputItems[i_ID]->SetSize(values.width(), values.height());
    }
}

void PAGE_CANVAS_OPTION::SLOT_ChangeCurrentOutputPos(int i_ButtonPosInScreenID)
{
    const int current = CurrentOutput();
    if (current < 0)
        return;
    CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = m_OutputSettingsWidgets[current];
    const QSize size(settings->GetWidthValue(), settings->GetHeightValue());
    const QPoint at = CanvasOutputs::ButtonPosition(i_ButtonPosInScreenID, ScreenSize(), size);
    m_OutputItems[current]->setPos(at);
    settings->ChangeSpinBoxValue(at.x(), at.y(), size.width(), size.height());
}

void PAGE_CANVAS_OPTION::SLOT_ChangeCurrentOutputSize(int i_ButtonSizeInScreenID)
{
    const int current = CurrentOutput();
    if (current < 0)
        return;
    CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = m_OutputSettingsWidgets[current];
    const QRect values(settings->GetPosXValue(), settings->GetPosYValue(), settings->GetWidthValue(),
                       settings->GetHeightValue());
    const QRect rect = CanvasOutputs::ButtonSize(i_ButtonSizeInScreenID, ScreenSize(), values);
    m_OutputItems[current]->setPos(rect.topLeft());
    m_OutputItems[current]->SetSize(rect.width(), rect.height());
    settings->ChangeSpinBoxValue(rect.x(), rect.y(), rect.width(), rect.height());
}

// --- Output images --------------------------------------------------------------

void PAGE_CANVAS_OPTION::ComputeOutputsImage()
{
    m_OutputImages.clear();
    for (int id = 0; id < m_OutputItems.size(); ++id)
        m_OutputImages << OutputFile(id, m_ScreenImage.copy(OutputRect(id)));
}

QImage PAGE_CANVAS_OPTION::OutputFile(int i_ID, const QImage& i_Part) const
{
    const CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = m_OutputSettingsWidgets[i_ID];
    return OutputGeometry::OutputFile(i_Part,
                                      OutputGeometry::DeviceSize(OutputRect(i_ID).size(), settings->GetDeviceValues()),
                                      settings->GetOrientation());
}

QRect PAGE_CANVAS_OPTION::OutputRect(int i_ID) const
{
    const QRectF rect = m_OutputItems[i_ID]->sceneBoundingRect();
    return QRect(int(rect.x()), int(rect.y()), int(rect.width()), int(rect.height()));
}

QStringList PAGE_CANVAS_OPTION::OutputLabels() const
{
    QStringList labels;
    for (const CLASS_KV_PUSH_OUTPUT_BUTTON* button : m_OutputButtons)
        labels << button->text();
    return labels;
}

void PAGE_CANVAS_OPTION::on_pushButtonSave_clicked()
{
    if (m_Video->IsOpen()) {
        SaveVideos();
        return;
    }
    // A screen that could not be composed has no picture to cut: the one on
    // show is an older screen's.
    if (m_ScreenImage.size() != QSize(m_Input.screenWidth, m_Input.screenHeight)) {
        m_TooLargeReported = false;
        ReportScreenTooLarge();
        return;
    }
    const QString folder = CanvasSaving::AskFolder(this, m_SourcePath);
    if (folder.isEmpty())
        return;
    ComputeOutputsImage();
    CanvasSaving::SaveAndReport(
        this, m_StyleSheetApp, folder,
        CanvasSaving::Names(OutputNames::Prefix(lineEditBaseName->text(), m_SourcePath), OutputLabels(), false),
        m_OutputImages.toVector(), horizontalSliderQuality->value());
}

// The page's set-up read back as quillex-render reads a saved one, so that
// the files are those it writes.
void PAGE_CANVAS_OPTION::SaveVideos()
{
    VideoSaving::Job job;
    if (!VideoSaving::Begin(this, m_StyleSheetApp, m_SourcePath, m_Video->FrameSize(), m_Video->Options(), job))
        return;
    QJsonObject top;
    WriteConfiguration(top);
    const SetupRender::CanvasSettings settings = SetupRender::CanvasFromSetup(SetupFile::ReadCanvas(top),
                                                                              m_Video->FrameSize());
    const QString path = m_SourcePath;
    job.render = [settings, path](const QImage& i_Frame, SetupRender::Render& o_Render) {
        return SetupRender::RenderCanvas(settings, i_Frame, path, o_Render);
    };
    job.images = settings.outputs.size();
    job.saving = [this](bool i_Saving) {
        pushButtonLoadSource->setEnabled(!i_Saving);
        m_Video->SetSaving(i_Saving);
        if (i_Saving) {
            pushButtonSave->setEnabled(false);
            pushButtonSavePatterns->setEnabled(false);
        } else {
            ChangeOutputsOptionsState();
        }
    };
    VideoSaving::Save(job);
}

// Each output's line-up pattern, cut from a drawing of the whole screen as its
// image is cut from the screen image.
void PAGE_CANVAS_OPTION::SavePatterns()
{
    const QString folder = CanvasSaving::AskFolder(this, m_SourcePath);
    if (folder.isEmpty())
        return;
    setCursor(Qt::WaitCursor);
    QList<Patterns::Output> outputs;
    for (int id = 0; id < m_OutputItems.size(); ++id)
        outputs.append({OutputRect(id), m_OutputButtons[id]->text()});
    const Patterns::Layout layout = CanvasOutputs::PatternLayout(ScreenSize(), outputs);
    QVector<QImage> images;
    for (int id = 0; id < layout.outputs.size(); ++id)
        images << OutputFile(id, Patterns::Draw(layout, id));
    setCursor(Qt::ArrowCursor);
    CanvasSaving::SaveAndReport(
        this, m_StyleSheetApp, folder,
        CanvasSaving::Names(OutputNames::Prefix(lineEditBaseName->text(), m_SourcePath), OutputLabels(), true), images,
        horizontalSliderQuality->value());
}

// --- Configuration ----------------------------------------------------------------

void PAGE_CANVAS_OPTION::WriteConfiguration(QJsonObject& io_Top)
{
    SetupFile::Canvas canvas = CanvasConfiguration::FromPage(*this, m_SourcePath, m_BackgroundColor,
                                                             {m_OutputButtons, m_OutputSettingsWidgets, m_OutputItems});
    canvas.video = m_Video->Keys();
    SetupFile::WriteCanvas(canvas, io_Top);
}

// The core makes one record of the set-up, brought into the controls'
// ranges; the controls take it in the order a set-up is read, and the
// screen is composed once, at the end.
void PAGE_CANVAS_OPTION::ReadConfiguration(const QJsonObject& i_Top)
{
    const SetupFile::Canvas file = SetupFile::ReadCanvas(i_Top);
    QString problem;
    const QImage picture = ReadSource(file.picturePath, &problem);
    const SetupRender::CanvasSettings record = SetupRender::CanvasFromSetup(file, picture.size());

    m_HoldComposing = true;
    CanvasConfiguration::SetBeforePicture(*this, {m_ImageSizeGroup, m_ImagePositionGroup, m_BackgroundGroup}, record);
    ShowLock(record.sizeLocked); // without the lock's size step
    on_horizontalSliderQuality_valueChanged(record.quality);
    m_BackgroundColor = record.backgroundColor;
    m_BackgroundMode = m_BackgroundGroup.checkedId();
    m_ImageSizeMode = m_ImageSizeGroup.checkedId();
    m_ImagePositionMode = _IMAGE_POSITION_IN_SCREEN_ID(m_ImagePositionGroup.checkedId());
    if (ScreenSize() != record.screen)
        FollowScreenSize();
    ModifyBackgroundScreenColor(m_BackgroundColor);

    if (picture.isNull()) {
        // The picture the page had, if any, goes; what it shows until then
        // follows the controls as read.
        ApplyModes();
        m_HoldComposing = false;
        RefreshImageScreen();
        UsePicture(QImage(), QString());
        if (!file.picturePath.isEmpty()) {
            ReportLoadFailure(file.picturePath, problem);
            ResetOutputs();
            CanvasConfiguration::SetCrop(*this, checkBoxCropSource->isChecked(), 0, 0, 0, 0);
        }
        return;
    }
    UsePicture(picture, file.picturePath);
    ResetOutputs();
    for (int id = 0; id < record.outputs.size(); ++id) {
        AddOutputItem(id, record.outputs[id].label, record.outputs[id].color, kOutputFill);
        // The record's rectangle fits the screen: placed as it is, without
        // the corrections of values typed one at a time.
        const QSignalBlocker quiet(m_OutputSettingsWidgets[id]);
        PlaceOutput(id, record.outputs[id].rect);
        m_OutputSettingsWidgets[id]->SetOrientation(record.outputs[id].orientation);
        m_OutputSettingsWidgets[id]->SetDeviceValues(record.outputs[id].device);
        m_OutputItems[id]->SetMountRotation(record.outputs[id].orientation.rotation);
        ++m_OutputCount;
    }
    if (!record.outputs.isEmpty())
        ModifyOutputItemSelected(record.selectedOutput);
    ChangeOutputsOptionsState();
    CanvasConfiguration::SetCrop(*this, record.cropped, record.cropLeft, record.cropTop, record.cropRight,
                                 record.cropBottom);
    m_HoldComposing = false;
    on_checkBoxCropSource_stateChanged(checkBoxCropSource->checkState());
    // The settings, and the frame on show, of a video.
    m_Video->SetKeys(file.video);
}
