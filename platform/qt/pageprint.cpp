#include "platform/qt/pageprint.h"

#include <QFontMetrics>

#include "files/printlayout.h"
#include "platform/qt/cp1252.h"
#include "platform/qt/qtcanvas.h"

namespace zvl {

void preparePrinter(QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) printer.setResolution(600);
}

std::string printTracePage(QPrinter& printer, TraceRenderer& renderer, const AppState& state) {
    preparePrinter(printer);
    const QSize area = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setBold(true);
    const QFontMetrics bold(font, &printer);
    const auto page = printPage(area.width(), area.height(), state, [&bold](const std::string& text) {
        return bold.horizontalAdvance(fromCp1252(text));
    });
    if (!page) return "The printer's page is too large to print on.";

    QtCanvas canvas(&printer);  // begins the job; it ends when the canvas goes
    QPainter& painter = canvas.painter();
    if (!painter.isActive()) return "The printer could not be started.";
    // The 780 x 380 picture stretched into the rectangle, drawn in the picture's own units.
    const PageRect& r = page->picture;
    painter.save();
    painter.translate(r.left, r.top);
    painter.scale((r.right - r.left) / double(kPictureWidth), (r.bottom - r.top) / double(kPictureHeight));
    painter.setClipRect(0, 0, kPictureWidth, kPictureHeight);
    renderer.drawPicture(canvas);
    canvas.painter().restore();  // painter() first draws the marks the canvas holds back

    painter.setPen(Qt::black);
    for (const PrintedText& t : page->texts) {
        font.setBold(t.bold);
        painter.setFont(font);
        painter.drawText(QRect(t.x, t.y, area.width(), area.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, fromCp1252(t.text));
    }
    return "";
}

}  // namespace zvl
