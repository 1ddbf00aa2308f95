#include "gui/fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>

namespace gui {
namespace {

constexpr char32_t kPlaySign = 0x25B6;

// Families known to draw the play sign, tried before the machine's default.
const char* const kSymbolFamilies[] = {"DejaVu Sans", "Noto Sans Symbols2", "FreeSans",
                                       "Liberation Sans"};

QFont sansSerif(float points) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QFont playSignFont(float points) {
    QFont font = sansSerif(points);
    for (const char* family : kSymbolFamilies) {
        QFont candidate = font;
        candidate.setFamily(family);
        if (QFontDatabase::hasFamily(family) && QFontMetricsF(candidate).inFontUcs4(kPlaySign)) {
            return candidate;
        }
    }
    return font;  // the toolkit's glyph fallback is the last resort
}

}  // namespace

QFont ControlFont(const app::Font& font) {
    if (font.SymbolCharset) {
        return playSignFont(font.Size);
    }
    const QString family = QString::fromStdString(font.Name);
    if (!QFontDatabase::hasFamily(family)) {
        return sansSerif(font.Size);
    }
    QFont named(family);
    named.setPointSizeF(font.Size);
    named.setBold(font.Bold);
    return named;
}

QString DisplayText(const app::Control& control) {
    if (control.TextFont.SymbolCharset && control.Caption == "u") {
        return QString::fromUcs4(&kPlaySign, 1);
    }
    return QString::fromStdString(control.Caption);
}

}  // namespace gui
