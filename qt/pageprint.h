#pragma once
// The printed page of File > "&Print..." on a Qt printer: the trace picture drawn afresh by
// the renderer with the painter scaled into the page's picture rectangle (the same picture as
// the screen's, sharp at the printer's resolution), then the caption, the event line, the title
// and the comment lines in Arial 10 (files/printlayout gives where).

#include <QPagedPaintDevice>
#include <QPrinter>
#include <functional>
#include <string>

#include "core/state.h"
#include "viewer/tracerenderer.h"

namespace zvl {

// A printer as the program uses it: high resolution; a PDF file at 600 dots per inch, so the
// fixed margins of the page come out as on an office printer.
void preparePrinter(QPrinter& printer);

// Runs `paint` (which begins and ends its own painter, returning an error text or "") on the
// printer's page. A printer that prints to a file gets the file as every save does
// (platform/atomicfile): the PDF, of the printer's page layout and resolution, goes to a temporary
// file beside the target, and only a whole PDF, every byte written and flushed, replaces the
// target; a device or a pipe is written as it stands, a symbolic link is followed. Returns an
// error text, empty on success; on failure the old file stays as it was.
std::string printPages(QPrinter& printer, const std::function<std::string(QPagedPaintDevice&)>& paint);

// Prints one page: the picture of the renderer's present walk state (what the screen shows),
// so nothing in `state` changes. Returns an error text, empty on success (the job is ended on
// every path once it began).
std::string printTracePage(QPrinter& printer, TraceRenderer& renderer, const AppState& state);

}  // namespace zvl
