#include "gui/model_geometry.h"

#include <QtMath>

namespace gui {
namespace {

int pixels(float twips) {
    return qRound(twips / app::kTwipsPerPixel);
}

// Logical pixels per track unit along each axis.
QPointF pixelsPerUnit(const app::Control& track) {
    const QSize client = ClientSize(track);
    return {client.width() / static_cast<double>(track.ScaleWidth),
            client.height() / static_cast<double>(track.ScaleHeight)};
}

}  // namespace

QRect WindowRect(const app::Control& control) {
    return {pixels(control.Left), pixels(control.Top), pixels(control.Width),
            pixels(control.Height)};
}

QSize ClientSize(const app::Control& pictureBox) {
    return WindowRect(pictureBox).size() - QSize(2 * kBorderPixels, 2 * kBorderPixels);
}

QRect KnobRect(const app::Control& knob, const app::Control& track) {
    const QPointF scale = pixelsPerUnit(track);
    return QRectF(knob.Left * scale.x(), knob.Top * scale.y(), knob.Width * scale.x(),
                  knob.Height * scale.y())
        .toRect();
}

QPointF TrackUnits(QPointF clientPixels, const app::Control& track) {
    const QPointF scale = pixelsPerUnit(track);
    return {clientPixels.x() / scale.x(), clientPixels.y() / scale.y()};
}

QPointF Twips(QPointF windowPixels) {
    return windowPixels * app::kTwipsPerPixel;
}

QString WidgetName(const app::Control& control) {
    const QString name = QString::fromStdString(control.Name);
    return control.Index < 0 ? name : QString("%1(%2)").arg(name).arg(control.Index);
}

QColor ModelColour(int32_t colour, QColor systemColour, QColor highlight) {
    switch (colour) {
        case app::kSystemColour:
            return systemColour;
        case app::kHighlightColour:
            return highlight;
        default:
            return QColor::fromRgb(static_cast<QRgb>(colour));
    }
}

}  // namespace gui
