#include "toolkit/canvasimage.h"

#include <QImage>

#include "platform/surface.h"
#include "platform/surfacepainter.h"
#include "toolkit/form.h"
#include "toolkit/formcanvas.h"
#include "toolkit/image.h"

namespace zavo {

void DrawZoomedPicture(TForm& form, TImage& image, platform::ZoomScale scale, int x, int y) {
    QRect area = image.ShownRect(scale).translated(x, y) & QRect(0, 0, form.ClientWidth(), form.ClientHeight());
    if (area.isEmpty()) return;
    auto& canvas = static_cast<TFormCanvas&>(form.Canvas());
    QRect part = area.translated(-x, -y);
    canvas.Changing();
    platform::Surface& surface = canvas.Image();
    if (!scale.Reduces() && surface.IsDisplayFormat() && QRect(0, 0, surface.Width(), surface.Height()).contains(area)) {
        // At 1:1 and enlarged the pixels go straight into the canvas's rows, in its own format.
        image.ZoomedPartInto(scale, part, surface.Row(area.top()) + static_cast<ptrdiff_t>(area.left()) * 4,
                             static_cast<ptrdiff_t>(surface.Stride()));
    } else if (QImage zoomed = image.ZoomedPart(scale, part, QImage::Format_RGB32); !zoomed.isNull()) {
        platform::SurfacePainter painter(surface, {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
        painter.Painter().drawImage(area.topLeft(), zoomed);
    }
    canvas.Changed();
}

}  // namespace zavo
