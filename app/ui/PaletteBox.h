// The palette overview: 256 swatches of 5 x 5 pixels (4 x 4 filled) on black.
#pragma once

#include "Palette.h"

#include <QWidget>

#include <optional>

namespace tw::ui {

class PaletteBox : public QWidget {
  public:
    explicit PaletteBox(QWidget* parent);
    // Shows these colours from now on; before the first call only black shows.
    void showPalette(const Palette& palette);
    const std::optional<Palette>& shown() const { return shown_; }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    std::optional<Palette> shown_;
};

} // namespace tw::ui
