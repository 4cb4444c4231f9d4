#include "Form1.h"

#include "AboutLabels.h"
#include "AttributePicker.h"
#include "Contact.h"
#include "Error.h"
#include "KmExport.h"
#include "MarkerLabel.h"
#include "Numbers.h"
#include "PaletteBox.h"
#include "PictureLoader.h"
#include "PreviewBox.h"
#include "SavePath.h"
#include "Shape.h"
#include "Stretch.h"
#include "WrapButton.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>

#include <atomic>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>

namespace tw::ui {
namespace {

constexpr int kPreviewLeft = 8;
constexpr int kPreviewTop = 24;

const char* const kCircledDigits[8] = {"①", "②", "③", "④", "⑤", "⑥", "⑦", "⑧"};

QString crlf(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

QRadioButton* option(QGroupBox* frame, const char* name, const char* caption, int top,
                     const char* tip) {
    auto* b = new QRadioButton(QString::fromUtf8(caption), frame);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(8, top, 133, 16);
    b->setToolTip(QString::fromUtf8(tip));
    return b;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* f = new QGroupBox(QString::fromLatin1(caption), parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(geometry);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, h);
    return l;
}

bitmap::PixelView32 viewOf(const QImage& image) {
    return {image.constBits(), image.width(), image.height(),
            static_cast<std::ptrdiff_t>(image.bytesPerLine())};
}

} // namespace

QString sizeRulesText() {
    return crlf({QStringLiteral("The rules of map size:"),
                 QStringLiteral("  1.Map size is calculated as"),
                 QStringLiteral("\"grids\", every grids is 32x32"), QStringLiteral("pixels."),
                 QStringLiteral("  2.User can stretch the"),
                 QStringLiteral("picture to change the size of"), QStringLiteral("map."),
                 QStringLiteral("  3.Image size  is allowed to"),
                 QStringLiteral("be smaller than the dashed box,"),
                 QStringLiteral("but it may cause KKND 2 crash."),
                 QStringLiteral("  4.Max size is 254x254, but"),
                 QStringLiteral("if the map size is greater than"),
                 QStringLiteral("214x214, sometime will cause"), QStringLiteral("KKND 2 crash.")});
}

Form1::Form1(Services services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)), octree_(services_.libraryFolder) {
    setWindowTitle(QStringLiteral("Tilewright!"));
    setFixedSize(497, 714);
    setMouseTracking(true);
    createControls();
}

Form1::~Form1() = default;

void Form1::createControls() {
    // The outer legal-minimum box lies beneath the preview, so it is made first.
    ShOutWarn = new Shape(Shape::Style::BlackSolid, this);
    ShOutWarn->setObjectName(QStringLiteral("ShOutWarn"));
    ShOutWarn->setGeometry(8, 24, 52, 52);
    ShOutWarn2 = new Shape(Shape::Style::WhiteDotted, this);
    ShOutWarn2->setObjectName(QStringLiteral("ShOutWarn2"));
    ShOutWarn2->setGeometry(8, 24, 52, 52);

    ImgWarning = label(this, "ImgWarning", QString(), 112, 120, 32, 32);
    ImgWarning->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    ImgWarning->setToolTip(QString::fromUtf8("地图尺寸太小可能导致错误。"));
    cmdLegalSmallest = new WrapButton(QString::fromUtf8("单击此处设置合法的最小尺寸。"), this);
    cmdLegalSmallest->setObjectName(QStringLiteral("cmdLegalSmallest"));
    cmdLegalSmallest->setGeometry(80, 152, 97, 41);
    connect(cmdLegalSmallest, &QPushButton::clicked, this, [this] { cmdLegalSmallest_Click(); });

    lblDragIn = new DropLabel(QStringLiteral("Please drag a picture here."), this);
    lblDragIn->setObjectName(QStringLiteral("lblDragIn"));
    lblDragIn->setGeometry(8, 6, 162, 16);
    lblDragIn->onDrop = [this](const QStringList& files) { LoadDroppedPicture(files); };

    createPreview();

    lblPal = label(this, "lblPal", QStringLiteral("Palette overview:"), 276, 6, 102, 16);
    picPal = new PaletteBox(this);
    picPal->setObjectName(QStringLiteral("picPal"));
    picPal->setGeometry(296, 24, 84, 84);
    lblDefTerran =
        label(this, "lblDefTerran", QStringLiteral("Default attribute:"), 384, 6, 108, 16);
    picDefaultAttr = new AttributePicker(this);
    picDefaultAttr->setGeometry(384, 24, 85, 62);

    createPaletteFrame();
    createMissionAndGeneration();
    createSizeControls();

    cmdGoDefault = new WrapButton(QStringLiteral("Set to default settings"), this);
    cmdGoDefault->setObjectName(QStringLiteral("cmdGoDefault"));
    cmdGoDefault->setGeometry(296, 360, 97, 33);
    cmdGoDefault->setToolTip(QString::fromUtf8("把上面的选项恢复成原来的选项。"));
    connect(cmdGoDefault, &QPushButton::clicked, this, [this] { cmdGoDefault_Click(); });

    cmdKMOut = new QPushButton(QStringLiteral("Export to KM"), this);
    cmdKMOut->setObjectName(QStringLiteral("cmdKMOut"));
    cmdKMOut->setGeometry(400, 360, 89, 25);
    connect(cmdKMOut, &QPushButton::clicked, this, [this] { cmdKMOut_Click(); });

    lblSizeRules = label(this, "lblSizeRules", sizeRulesText(), 304, 400, 186, 200);
    lblSizeRules->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    about = new AboutLabels(*services_.userInterface, this);
    about->lblAttention->move(8, 384);
    about->lblAuthor->move(8, 616);
    about->lblNotice->move(8, 672);

    QWidget::setTabOrder(picSZDown, picSZRight);
    QWidget::setTabOrder(picSZRight, picSZDownRight);
}

void Form1::createPreview() {
    picPreview = new PreviewBox(this);
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setGeometry(kPreviewLeft, kPreviewTop, 260, 260);
    picPreview->setToolTip(QString::fromUtf8("图片预览"));
    picPreview->onPaint = [this](QPainter& p) { PaintPreview(p); };
    picPreview->onDrop = [this](const QStringList& files) { LoadDroppedPicture(files); };

    const QPoint client = picPreview->contentsRect().topLeft();
    ShpLimit = new Shape(Shape::Style::BlackSolid, picPreview);
    ShpLimit->setObjectName(QStringLiteral("ShpLimit"));
    ShpLimit->setGeometry(client.x(), client.y(), 48, 48);
    ShpLimit2 = new Shape(Shape::Style::WhiteDotted, picPreview);
    ShpLimit2->setObjectName(QStringLiteral("ShpLimit2"));
    ShpLimit2->setGeometry(client.x(), client.y(), 48, 48);

    for (int i = 0; i < 8; ++i) {
        auto* m = new MarkerLabel(QString::fromUtf8(kCircledDigits[i]), picPreview);
        m->setObjectName(QStringLiteral("lblMPos%1").arg(i));
        m->setToolTip(QString::fromUtf8("多人游戏开始位置"));
        m->onPointerMove = [this, i](float x, float y, bool held) {
            MarkerMove(MarkerKind::Start, i, x, y, held);
        };
        lblMPos[static_cast<std::size_t>(i)] = m;
        auto* b = new MarkerLabel(QString::fromUtf8("○"), picPreview);
        b->setObjectName(QStringLiteral("lblBPos%1").arg(i));
        b->setToolTip(QString::fromUtf8("多人游戏地堡位置"));
        b->onPointerMove = [this, i](float x, float y, bool held) {
            MarkerMove(MarkerKind::Bunker, i, x, y, held);
        };
        lblBPos[static_cast<std::size_t>(i)] = b;
        m->hide();
        b->hide();
    }

    picSZRight = new SizeGrip(SizeGrip::Axis::Width, this, this);
    picSZDown = new SizeGrip(SizeGrip::Axis::Height, this, this);
    picSZDownRight = new SizeGrip(SizeGrip::Axis::Both, this, this);
}

void Form1::createPaletteFrame() {
    frmPalette = frame(this, "frmPalette", "Palette", {296, 112, 145, 105});
    OpOctreePalette = option(frmPalette, "OpOctreePalette", "Adaptive palette", 16,
                             "为此图片专门计算一个最合适的调色板。");
    OpHighlandPalette =
        option(frmPalette, "OpHighlandPalette", "Highland palette", 32,
               "使用高地的调色板可以使你在放置高地的动画地形的时候，不会产生颜色混乱的问题。");
    OpUrbanPalette =
        option(frmPalette, "OpUrbanPalette", "Urban palette", 48,
               "使用城市的调色板可以使你在放置城市的动画地形的时候，不会产生颜色混乱的问题。");
    OpDesertPalette = option(frmPalette, "OpDesertPalette", "Desert palette", 64,
                             "使用沙漠的调色板。沙漠的调色板没有蓝色。");
    OpGrayPalette = option(frmPalette, "OpGrayPalette", "Grey palette", 80,
                           "使用灰度调色板来让你的地图变成全黑白");
    OpOctreePalette->setChecked(true);
    for (QRadioButton* b :
         {OpOctreePalette, OpHighlandPalette, OpUrbanPalette, OpDesertPalette, OpGrayPalette})
        connect(b, &QRadioButton::clicked, this, [this] { RefreshPalette(); });
}

void Form1::createMissionAndGeneration() {
    frmMission = frame(this, "frmMission", "Mission type", {296, 224, 145, 65});
    OpSinglePlayer = option(frmMission, "OpSinglePlayer", "Custom mission", 20,
                            "产生的KM将会是一个单人游戏任务。");
    OpMultiplayer = option(frmMission, "OpMultiplayer", "Multiplayer map", 40,
                           "产生的KM将会是一张多人游戏地图（遭遇战可用！）");
    OpSinglePlayer->setChecked(true);
    for (QRadioButton* b : {OpSinglePlayer, OpMultiplayer})
        connect(b, &QRadioButton::clicked, this, [this] { MissionOption_Click(); });

    frmGenerateTerran = frame(this, "frmGenerateTerran", "Generation", {296, 296, 145, 57});
    OpNoDither = option(frmGenerateTerran, "OpNoDither", "No dithering(fast)", 18,
                        "只计算最接近的颜色，速度快，但图片会出现摩尔纹。");
    OpDoDither = option(frmGenerateTerran, "OpDoDither", "Dither(fancy)", 36,
                        "使用Bayer有序抖动，图片上会出现许多规则排列的小点。");
    OpDoDither->setChecked(true);
}

void Form1::createSizeControls() {
    cmdResetPos = new QPushButton(QStringLiteral("Reset multiplayer start positions."), this);
    cmdResetPos->setObjectName(QStringLiteral("cmdResetPos"));
    cmdResetPos->setGeometry(8, 304, 233, 25);
    cmdResetPos->hide();
    connect(cmdResetPos, &QPushButton::clicked, this, [this] { ResetMPos(); });

    lblSize = label(this, "lblSize", QStringLiteral("Map size:"), 8, 336, 62, 16);
    txtWidth = new QLineEdit(QStringLiteral("254"), this);
    txtWidth->setObjectName(QStringLiteral("txtWidth"));
    txtWidth->setGeometry(72, 335, 29, 16);
    lblX = label(this, "lblX", QStringLiteral("x"), 104, 336, 8, 16);
    txtHeight = new QLineEdit(QStringLiteral("254"), this);
    txtHeight->setObjectName(QStringLiteral("txtHeight"));
    txtHeight->setGeometry(112, 335, 29, 16);
    for (QLineEdit* e : {txtWidth, txtHeight})
        e->setTextMargins(0, 0, 0, 0);

    CmdApplySize = new WrapButton(QStringLiteral("Apply the values left"), this);
    CmdApplySize->setObjectName(QStringLiteral("CmdApplySize"));
    CmdApplySize->setGeometry(192, 336, 89, 41);
    connect(CmdApplySize, &QPushButton::clicked, this, [this] { CmdApplySize_Click(); });

    cmdPrimitiveSize = new QPushButton(QStringLiteral("Reset to initial size"), this);
    cmdPrimitiveSize->setObjectName(QStringLiteral("cmdPrimitiveSize"));
    cmdPrimitiveSize->setGeometry(8, 354, 145, 25);
    connect(cmdPrimitiveSize, &QPushButton::clicked, this, [this] { cmdPrimitiveSize_Click(); });
}

bool Form1::StartUp() {
    show();
    try {
        doc_.KmPartCST0MCR0 = services_.resourceByName("KMPART", "CST0MCR0");
        doc_.KmPartTEXTAUTH = services_.resourceByName("KMPART", "TEXTAUTH");
        doc_.KmPartCSTOMLTI = services_.resourceByName("KMPART", "CSTOMLTI");
        doc_.setLimitsFromFrame(picPreview->width() - picPreview->contentsRect().width(),
                                picPreview->height() - picPreview->contentsRect().height());
        doc_.ReservedColor0[2] = 0x58;
        const std::array<Palette*, 3> terrain{&doc_.HighlandPalette, &doc_.UrbanPalette,
                                              &doc_.DesertPalette};
        for (int id = 1; id <= 3; ++id) {
            const Bytes bytes = services_.resourceById("PAL", id);
            if (bytes.size() != 1024)
                throw Error("The palette resource PAL #" + std::to_string(id) + " is " +
                            std::to_string(bytes.size()) + " bytes long, not 1024.");
            std::memcpy(terrain[static_cast<std::size_t>(id - 1)]->data(), bytes.data(), 1024);
        }
        for (int i = 0; i < 8; ++i) {
            const QString n = QString::number(i + 1);
            lblMPos[static_cast<std::size_t>(i)]->setToolTip(
                lblMPos[static_cast<std::size_t>(i)]->toolTip() + n);
            lblBPos[static_cast<std::size_t>(i)]->setToolTip(
                lblBPos[static_cast<std::size_t>(i)]->toolTip() + n);
        }
        doc_.GreyPalette = makeGreyPalette();
        ResetMPos();
        LayoutPreview();
    } catch (const std::exception& e) {
        services_.userInterface->message(
            this, std::string("Failed to run this program. Unknown error(") + e.what() + ")",
            toolkit::Icon::Warning, toolkit::Buttons::Ok);
        return false;
    }
    return true;
}

void Form1::AllEnable(bool enabled) {
    setEnabled(enabled);
    doc_.Exporting = !enabled;
}

bool Form1::ConfirmClose() {
    if (!doc_.Exporting) return true;
    return services_.userInterface->message(
               this, "Exporting KM file. Are you sure to cancel exporting?", toolkit::Icon::Warning,
               toolkit::Buttons::YesNo) == toolkit::Answer::Yes;
}

void Form1::EndProgram() {
    if (services_.endProgram) services_.endProgram();
}

void Form1::closeEvent(QCloseEvent* e) {
    if (!ConfirmClose()) {
        e->ignore();
        return;
    }
    if (doc_.Exporting) {
        // The export removes its unfinished file first, then ends the program.
        abandonExport_ = true;
        e->ignore();
        return;
    }
    e->accept();
    EndProgram();
}

void Form1::mouseMoveEvent(QMouseEvent* e) {
    // Moves that controls pass up to the window are not over its background.
    if (childAt(e->position().toPoint()) == nullptr) ClearAuthorHover();
    QWidget::mouseMoveEvent(e);
}

void Form1::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    // The etched separator: a shadow line 2 pixels wide and a highlight line beside it.
    QPainter p(this);
    p.fillRect(287, 304, 2, 408, palette().color(QPalette::Dark));
    p.fillRect(289, 304, 1, 408, palette().color(QPalette::Light));
}

void Form1::ClearAuthorHover() {
    about->ClearAuthorHover();
}

QSize Form1::outerSize() const {
    return picPreview->size();
}
void Form1::setOuterSize(QSize size) {
    setPreviewOuterSize(size.width(), size.height());
}
QSize Form1::minimumOuter() const {
    return {doc_.MinWidth, doc_.MinHeight};
}
QSize Form1::maximumOuter() const {
    return {doc_.MaxWidth, doc_.MaxHeight};
}

int Form1::mapWidth() const {
    return picPreview->contentsRect().width();
}
int Form1::mapHeight() const {
    return picPreview->contentsRect().height();
}

void Form1::setPreviewGeometry(int left, int top, int outerWidth, int outerHeight) {
    const QRect before = picPreview->geometry();
    picPreview->setGeometry(left, top, outerWidth, outerHeight);
    if (picPreview->geometry() != before) LayoutPreview();
}

void Form1::setPreviewOuterSize(int outerWidth, int outerHeight) {
    setPreviewGeometry(picPreview->x(), picPreview->y(), outerWidth, outerHeight);
}

void Form1::LayoutPreview() {
    int ow = picPreview->width();
    int oh = picPreview->height();
    if (ow > doc_.MaxWidth) ow = doc_.MaxWidth;
    if (oh > doc_.MaxHeight) oh = doc_.MaxHeight;
    picPreview->resize(ow, oh);
    const int l = picPreview->x();
    const int t = picPreview->y();
    picSZDown->move(l + (ow - picSZDown->width()) / 2, t + oh);
    picSZRight->move(l + ow, t + (oh - picSZRight->height()) / 2);
    picSZDownRight->move(picSZRight->x(), picSZDown->y());
    const bool warn = ow < ShOutWarn->width() || oh < ShOutWarn->height();
    ImgWarning->setVisible(warn);
    cmdLegalSmallest->setVisible(warn);
    txtWidth->setText(QString::number(mapWidth()));
    txtHeight->setText(QString::number(mapHeight()));
    markers_.keepInside(mapWidth(), mapHeight());
    for (QWidget* w : {static_cast<QWidget*>(ShpLimit), static_cast<QWidget*>(ShpLimit2),
                       static_cast<QWidget*>(ShOutWarn), static_cast<QWidget*>(ShOutWarn2),
                       static_cast<QWidget*>(ImgWarning)})
        w->update();
    StretchMPos();
    picPreview->update();
}

void Form1::PaintPreview(QPainter& p) {
    const int cw = mapWidth();
    const int ch = mapHeight();
    if (!picBuf_.isNull() && cw > 0 && ch > 0) {
        // The picture at one pixel per grid, by the same plain stretch the export uses.
        QImage scaled(cw, ch, QImage::Format_RGB32);
        bitmap::Stretcher(viewOf(picBuf_), cw, ch)
            .rows(0, ch, scaled.bits(), scaled.bytesPerLine());
        p.drawImage(0, 0, scaled);
    }
    if (!OpMultiplayer->isChecked()) return;
    p.setPen(QColor(255, 255, 255));
    p.setBrush(Qt::NoBrush);
    const QPoint client = picPreview->contentsRect().topLeft();
    for (int i = 0; i < 8; ++i) {
        const QPoint m = lblMPos[static_cast<std::size_t>(i)]->pos() - client;
        p.drawRect(m.x() + 3, m.y() + 3, 4, 4);
        const QPoint b = lblBPos[static_cast<std::size_t>(i)]->pos() - client;
        p.drawEllipse(QPointF(b.x() + 5, b.y() + 5), 3, 3);
    }
}

void Form1::placeMarkers() {
    const QPoint client = picPreview->contentsRect().topLeft();
    for (std::size_t i = 0; i < 8; ++i) {
        lblMPos[i]->move(client.x() + static_cast<int>(roundHalfEven(markers_.start[i].left)),
                         client.y() + static_cast<int>(roundHalfEven(markers_.start[i].top)));
        lblBPos[i]->move(client.x() + static_cast<int>(roundHalfEven(markers_.bunker[i].left)),
                         client.y() + static_cast<int>(roundHalfEven(markers_.bunker[i].top)));
    }
    picPreview->update();
}

void Form1::ResetMPos() {
    markers_.reset(mapWidth(), mapHeight());
    placeMarkers();
}

void Form1::StretchMPos() {
    markers_.stretch(mapWidth(), mapHeight());
    placeMarkers();
}

void Form1::MarkerMove(MarkerKind kind, int index, float x, float y, bool buttonHeld) {
    auto& grab = kind == MarkerKind::Start ? mPosGrab_ : bPosGrab_;
    if (!buttonHeld) {
        grab = {x, y};
        return;
    }
    markers_.drag(kind, index, x, y, grab[0], grab[1], mapWidth(), mapHeight());
    placeMarkers();
}

void Form1::MissionOption_Click() {
    const bool v = OpMultiplayer->isChecked();
    for (std::size_t i = 0; i < 8; ++i) {
        lblMPos[i]->setVisible(v);
        lblBPos[i]->setVisible(v);
    }
    cmdResetPos->setVisible(v);
    picPreview->update();
}

void Form1::RefreshPalette() {
    const Palette* source = nullptr;
    if (OpHighlandPalette->isChecked())
        source = &doc_.HighlandPalette;
    else if (OpUrbanPalette->isChecked())
        source = &doc_.UrbanPalette;
    else if (OpDesertPalette->isChecked())
        source = &doc_.DesertPalette;
    else if (OpOctreePalette->isChecked())
        source = &doc_.AdaptivePalette;
    else if (OpGrayPalette->isChecked())
        source = &doc_.GreyPalette;
    if (source != nullptr) {
        doc_.CurrentPalette = *source;
    } else {
        services_.userInterface->message(this, "Please select a palette!", toolkit::Icon::Warning,
                                         toolkit::Buttons::Ok, "You have not selected a palette");
    }
    ShowPalette();
}

void Form1::ShowPalette() {
    picPal->showPalette(doc_.CurrentPalette);
}

void Form1::LoadDroppedPicture(const QStringList& files) {
    // All or nothing: decode and compute the palette first, then change the document.
    std::string path = doc_.PictureFile;
    try {
        if (files.isEmpty()) throw Error("The dropped data holds no file.");
        path = files.front().toStdString();
        QImage picture;
        Palette adaptive{};
        // Decoding a large picture and computing its palette take seconds; the window
        // stays responsive (and disabled) meanwhile.
        runKeepingWindowAlive([&] {
            picture = toolkit::loadPicture(path);
            adaptive = calculateBestPalette(viewOf(picture), doc_.ReservedColor0,
                                            doc_.ReservedColor1, octree_);
        });
        doc_.PictureFile = path;
        picBuf_ = std::move(picture);
        previewImage_ = QImage();
        setPreviewGeometry(picPreview->x(), picPreview->y(),
                           initialGrids(picBuf_.width()) + doc_.BorderWidth,
                           initialGrids(picBuf_.height()) + doc_.BorderHeight);
        LayoutPreview();
        doc_.AdaptivePalette = adaptive;
        RefreshPalette();
        doc_.PictureLoaded = true;
        ShowPalette();
    } catch (const std::exception& e) {
        services_.userInterface->message(this, e.what(), toolkit::Icon::Information,
                                         toolkit::Buttons::Ok, "Unable to open " + path);
    }
}

void Form1::runKeepingWindowAlive(const std::function<void()>& work) {
    std::exception_ptr failure;
    std::atomic<bool> done{false};
    setEnabled(false);
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        if (services_.processPendingEvents) services_.processPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    setEnabled(true);
    if (failure) std::rethrow_exception(failure);
}

void Form1::CmdApplySize_Click() {
    double w = readNumberLenient(txtWidth->text().toStdString());
    double h = readNumberLenient(txtHeight->text().toStdString());
    if (w < kMinGridsWide) w = kMinGridsWide;
    if (h < kMinGridsHigh) h = kMinGridsHigh;
    if (w > kMaxGrids) w = kMaxGrids;
    if (h > kMaxGrids) h = kMaxGrids;
    setPreviewOuterSize(doc_.BorderWidth + static_cast<int>(roundHalfEven(w)),
                        picPreview->height());
    setPreviewOuterSize(picPreview->width(),
                        doc_.BorderHeight + static_cast<int>(roundHalfEven(h)));
}

void Form1::cmdPrimitiveSize_Click() {
    setPreviewGeometry(picPreview->x(), picPreview->y(),
                       picBuf_.width() / 32 + doc_.BorderWidth + 1,
                       picBuf_.height() / 32 + doc_.BorderHeight + 1);
    LayoutPreview();
}

void Form1::cmdLegalSmallest_Click() {
    setPreviewGeometry(ShOutWarn->x(), ShOutWarn->y(), ShOutWarn->width(), ShOutWarn->height());
}

void Form1::cmdGoDefault_Click() {
    OpOctreePalette->setChecked(true);
    RefreshPalette();
    OpSinglePlayer->setChecked(true);
    MissionOption_Click();
    OpDoDither->setChecked(true);
    ResetMPos();
    if (doc_.PictureLoaded) {
        cmdPrimitiveSize_Click();
    } else {
        setPreviewOuterSize(doc_.MaxWidth, doc_.MaxHeight);
    }
}

namespace {

// Reports export progress in the window's title and keeps the window alive.
class WindowProgress final : public ExportProgress {
  public:
    WindowProgress(QWidget& window, const std::function<void()>& pending, const bool& abandon)
        : window_(window), pending_(pending), abandon_(abandon) {}
    bool rowDone(std::size_t tilesDone, std::size_t tileCount) override {
        window_.setWindowTitle(QString::fromStdString(progressTitle(tilesDone, tileCount)));
        return keepAlive();
    }
    bool keepAlive() override {
        if (pending_) pending_();
        return !abandon_;
    }

  private:
    QWidget& window_;
    const std::function<void()>& pending_;
    const bool& abandon_;
};

} // namespace

std::optional<std::string> Form1::ShowSaveKMDialog() {
    toolkit::SaveDialogSettings settings;
    settings.title = "导出KM任务文件";
    settings.filters = {{"KKND2任务文件(Varnok格式,*.km)", "*.km"}, {"自定后缀(*.*)", "*.*"}};
    settings.defaultExtension = "KM";
    settings.confirmOverwrite = true;
    const auto chosen = services_.userInterface->saveFileName(this, settings);
    if (!chosen) return std::nullopt;
    std::string path = cleanDialogPath(*chosen);
    if (path.empty()) return std::nullopt;
    // The dialog asked about the name as typed; trimming may name another existing file.
    if (path != *chosen && QFileInfo::exists(QString::fromStdString(path))) {
        const auto answer = services_.userInterface->message(
            this, path + " already exists.\r\nDo you want to replace it?", toolkit::Icon::Warning,
            toolkit::Buttons::YesNo, settings.title);
        if (answer != toolkit::Answer::Yes) return std::nullopt;
    }
    return path;
}

void Form1::cmdKMOut_Click() {
    if (!doc_.PictureLoaded) {
        services_.userInterface->message(
            this, "Please drag a picture file to the big box in the top of the window.",
            toolkit::Icon::Warning, toolkit::Buttons::Ok);
        return;
    }
    const auto path = ShowSaveKMDialog();
    if (!path) {
        services_.userInterface->message(this, "Cancelled.", toolkit::Icon::Information,
                                         toolkit::Buttons::Ok);
        setWindowTitle(QStringLiteral("Tilewright!"));
        AllEnable(true);
        return;
    }
    AllEnable(false);
    abandonExport_ = false;

    ExportJob job;
    job.map.mission = OpMultiplayer->isChecked() ? MissionKind::Multiplayer : MissionKind::Custom;
    job.map.width = mapWidth();
    job.map.height = mapHeight();
    job.map.attribute = picDefaultAttr->value();
    job.map.positions = markers_.filePositions();
    job.map.palette = doc_.CurrentPalette;
    job.conversion = chooseConversion(OpGrayPalette->isChecked(), OpDoDither->isChecked());
    job.libraryFolder = services_.libraryFolder;
    job.picture = viewOf(picBuf_);
    job.target = *path;
    WindowProgress progress(*this, services_.processPendingEvents, abandonExport_);
    try {
        exportKm(job, {doc_.KmPartCST0MCR0, doc_.KmPartCSTOMLTI, doc_.KmPartTEXTAUTH}, progress);
    } catch (const ExportAbandoned&) {
        EndProgram();
        return;
    } catch (const std::exception& e) {
        setWindowTitle(QStringLiteral("Tilewright"));
        AllEnable(true);
        services_.userInterface->message(this, contact::exportFailureText(e.what()),
                                         toolkit::Icon::Critical, toolkit::Buttons::Ok,
                                         "Exporting KM failed.");
        return;
    }
    // The file is complete and in place before success is reported.
    setWindowTitle(QStringLiteral("Tilewright!"));
    AllEnable(true);
    services_.userInterface->message(
        this, "KM file was exported. Please use KKND++'s Kme 2.0 to edit it.",
        toolkit::Icon::Information, toolkit::Buttons::Ok, "Export successful");
}

} // namespace tw::ui
