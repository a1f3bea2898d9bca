#include "toolkit/canvasimage.h"

#include <QImage>

#include "platform/surfacepainter.h"
#include "toolkit/form.h"
#include "toolkit/formcanvas.h"
#include "toolkit/image.h"

namespace zavo {

void DrawZoomedPicture(TForm& form, TImage& image, platform::ZoomScale scale, int x, int y) {
    QRect area = image.ShownRect(scale).translated(x, y) & QRect(0, 0, form.ClientWidth(), form.ClientHeight());
    if (area.isEmpty()) return;
    // In the canvas's own format the painter copies the rows as they are.
    QImage part = image.ZoomedPart(scale, area.translated(-x, -y), QImage::Format_RGB32);
    if (part.isNull()) return;
    auto& canvas = static_cast<TFormCanvas&>(form.Canvas());
    canvas.Changing();
    {
        platform::SurfacePainter painter(canvas.Image(), {area.left(), area.top(), area.right() + 1, area.bottom() + 1});
        painter.Painter().drawImage(area.topLeft(), part);
    }
    canvas.Changed();
}

}  // namespace zavo
