#include "qt/pageprint.h"

#include <QFile>
#include <QFontMetrics>
#include <QIODevice>
#include <QPdfWriter>

#include "files/printlayout.h"
#include "platform/atomicfile.h"
#include "qt/cp1252.h"
#include "qt/qtcanvas.h"

namespace zvl {

namespace {

// The PDF writer's output: every byte goes into the AtomicFile, whose first failure sticks (the
// writer itself does not look at what a write returns).
class AtomicFileDevice final : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file) : file_(file) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        return file_.write(std::string_view(data, size_t(size))) ? size : -1;
    }

private:
    AtomicFile& file_;
};

// The page of File > Print on any page device.
std::string drawTracePage(QPagedPaintDevice& device, TraceRenderer& renderer, const AppState& state) {
    const QSize area = device.pageLayout().paintRectPixels(device.logicalDpiX()).size();
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    font.setBold(true);
    const QFontMetrics bold(font, &device);
    const auto page = printPage(area.width(), area.height(), state, [&bold](const std::string& text) {
        return bold.horizontalAdvance(fromCp1252(text));
    });
    if (!page) return "The printer's page is too large to print on.";

    QtCanvas canvas(&device);  // begins the job
    QPainter& painter = canvas.painter();
    if (!painter.isActive()) return "The printer could not be started.";
    // The 780 x 380 picture stretched into the rectangle, drawn in the picture's own units.
    const PageRect& r = page->picture;
    painter.save();
    painter.translate(r.left, r.top);
    painter.scale((r.right - r.left) / double(kPictureWidth), (r.bottom - r.top) / double(kPictureHeight));
    painter.setClipRect(0, 0, kPictureWidth, kPictureHeight);
    renderer.redrawTraceView(canvas, TraceRenderer::WalkState::Keep);  // the picture on show
    canvas.painter().restore();  // painter() first draws the marks the canvas holds back

    painter.setPen(Qt::black);
    for (const PrintedText& t : page->texts) {
        font.setBold(t.bold);
        painter.setFont(font);
        painter.drawText(QRect(t.x, t.y, area.width(), area.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, fromCp1252(t.text));
    }
    if (!canvas.painter().end()) return "The page could not be finished.";
    return "";
}

}  // namespace

void preparePrinter(QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat) printer.setResolution(600);
}

std::string printPages(QPrinter& printer, const std::function<std::string(QPagedPaintDevice&)>& paint) {
    if (printer.outputFileName().isEmpty()) return paint(printer);  // a printer's queue takes it
    AtomicFile file(QFile::encodeName(printer.outputFileName()).toStdString());
    if (!file.open()) return file.error();
    AtomicFileDevice out(file);
    out.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    {
        QPdfWriter pdf(&out);
        pdf.setPageLayout(printer.pageLayout());
        pdf.setResolution(printer.resolution());
        pdf.setCreator(printer.creator());
        pdf.setTitle(printer.docName());
        pdf.setPdfVersion(printer.pdfVersion());
        if (std::string error = paint(pdf); !error.empty()) return error;  // the file is discarded
    }
    out.close();
    if (!file.commit()) return file.error();
    return "";
}

std::string printTracePage(QPrinter& printer, TraceRenderer& renderer, const AppState& state) {
    preparePrinter(printer);
    return printPages(printer,
                      [&](QPagedPaintDevice& device) { return drawTracePage(device, renderer, state); });
}

}  // namespace zvl
