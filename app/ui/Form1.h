// The one window of Tilewright: the map preview and every control around it, the
// handlers that read the controls, call the core and write the controls back.
#pragma once

#include "AdaptivePalette.h"
#include "MapDocument.h"
#include "Markers.h"
#include "SizeGrip.h"
#include "UserInterface.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tw::ui {

class AboutLabels;
class AttributePicker;
class DropLabel;
class MarkerLabel;
class PaletteBox;
class PreviewBox;
class Shape;
class WrapButton;

// What the window needs from outside; tests replace each part.
struct Services {
    toolkit::UserInterface* userInterface = nullptr;
    std::function<Bytes(const std::string& type, const std::string& name)> resourceByName;
    std::function<Bytes(const std::string& type, int id)> resourceById;
    std::string libraryFolder;        // where libDither.so and libOctree.so are found
    std::function<void()> endProgram; // ends the program at once
    // Lets the window process its pending events during an export.
    std::function<void()> processPendingEvents;
};

class Form1 : public QWidget, private GripTarget {
  public:
    explicit Form1(Services services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up; false when it failed (the failure message has been shown and the
    // program is to end).
    bool StartUp();

    // Handlers, public so that tests drive them as the toolkit does.
    void AllEnable(bool enabled);
    bool ConfirmClose(); // true when the window may close
    void EndProgram();
    void LoadDroppedPicture(const QStringList& files);
    void LayoutPreview();
    void PaintPreview(QPainter& p);
    void RefreshPalette();
    void ShowPalette();
    void ResetMPos();
    void StretchMPos();
    void ClearAuthorHover();
    void cmdGoDefault_Click();
    void cmdKMOut_Click();
    // The save dialog; the chosen path, or nothing when cancelled.
    std::optional<std::string> ShowSaveKMDialog();
    void CmdApplySize_Click();
    void cmdPrimitiveSize_Click();
    void cmdLegalSmallest_Click();
    void MissionOption_Click();
    void MarkerMove(MarkerKind kind, int index, float x, float y, bool buttonHeld);

    // The map size in grids: the preview's client size.
    int mapWidth() const;
    int mapHeight() const;
    // Gives the preview a new outer size with its left and top kept; lays it out when
    // the size really changed. Sizes above the maximum are cut by the layout.
    void setPreviewOuterSize(int outerWidth, int outerHeight);

    MapDocument& document() { return doc_; }
    const QImage& picBuf() const { return picBuf_; }
    MarkerSet& markers() { return markers_; }

    // Controls, named as the window's design names them.
    DropLabel* lblDragIn = nullptr;
    PreviewBox* picPreview = nullptr;
    SizeGrip* picSZRight = nullptr;
    SizeGrip* picSZDown = nullptr;
    SizeGrip* picSZDownRight = nullptr;
    Shape* ShpLimit = nullptr;
    Shape* ShpLimit2 = nullptr;
    Shape* ShOutWarn = nullptr;
    Shape* ShOutWarn2 = nullptr;
    QLabel* ImgWarning = nullptr;
    WrapButton* cmdLegalSmallest = nullptr;
    std::array<MarkerLabel*, 8> lblMPos{};
    std::array<MarkerLabel*, 8> lblBPos{};
    QLabel* lblPal = nullptr;
    PaletteBox* picPal = nullptr;
    QLabel* lblDefTerran = nullptr;
    AttributePicker* picDefaultAttr = nullptr;
    AboutLabels* about = nullptr; // lblAttention, lblAuthor and the notice label
    QGroupBox* frmPalette = nullptr;
    QRadioButton* OpOctreePalette = nullptr;
    QRadioButton* OpHighlandPalette = nullptr;
    QRadioButton* OpUrbanPalette = nullptr;
    QRadioButton* OpDesertPalette = nullptr;
    QRadioButton* OpGrayPalette = nullptr;
    QGroupBox* frmMission = nullptr;
    QRadioButton* OpSinglePlayer = nullptr;
    QRadioButton* OpMultiplayer = nullptr;
    QGroupBox* frmGenerateTerran = nullptr;
    QRadioButton* OpNoDither = nullptr;
    QRadioButton* OpDoDither = nullptr;
    QPushButton* cmdResetPos = nullptr;
    QLabel* lblSize = nullptr;
    QLineEdit* txtWidth = nullptr;
    QLabel* lblX = nullptr;
    QLineEdit* txtHeight = nullptr;
    WrapButton* CmdApplySize = nullptr;
    QPushButton* cmdPrimitiveSize = nullptr;
    WrapButton* cmdGoDefault = nullptr;
    QPushButton* cmdKMOut = nullptr;
    QLabel* lblSizeRules = nullptr;

  protected:
    void closeEvent(QCloseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

  private:
    // The grips resize the preview through these.
    QSize outerSize() const override;
    void setOuterSize(QSize size) override;
    QSize minimumOuter() const override;
    QSize maximumOuter() const override;

    void createControls();
    void createPreview();
    void createPaletteFrame();
    void createMissionAndGeneration();
    void createSizeControls();
    void placeMarkers();
    void setPreviewGeometry(int left, int top, int outerWidth, int outerHeight);
    // Runs `work` on a worker thread while the window keeps processing its events.
    void runKeepingWindowAlive(const std::function<void()>& work);

    Services services_;
    MapDocument doc_;
    MarkerSet markers_;
    QImage picBuf_;       // the loaded picture at full size
    QImage previewImage_; // picBuf_ stretched to the map size, kept between repaints
    OctreeLibrary octree_;
    std::array<float, 2> mPosGrab_{}; // MPosGrab, 1/15 pixel
    std::array<float, 2> bPosGrab_{}; // BPosGrab
    bool abandonExport_ = false;      // a close was confirmed during the export
};

// The fourteen lines of the size rules label.
QString sizeRulesText();

} // namespace tw::ui
