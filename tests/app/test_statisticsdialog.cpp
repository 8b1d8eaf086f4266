// The statistics dialog on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "app/statisticsdialog.h"
#include "tests/files/filetestutil.h"
#include "tests/search/searchfixture.h"
#include "tests/support/fakefiledialogs.h"

namespace zvl {
namespace {

TEST(StatisticsDialog, GridBoxChoicesDetailsAndCsv) {
    test::SearchRig rig;
    AppState& st = rig.state;
    rig.fill(4, 100 * 86400, 1800);  // 00:30, 01:00, 01:30, 02:00
    rig.set(2, 1);
    st.inputActive.fill(true);
    st.inputActive[15] = false;
    test::ScriptedFileDialogs files;
    StatisticsDialog form(st, files, rig.prompts);
    form.loadFromState();
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Corvask Pellam - ZVL  Statistics"));
    EXPECT_EQ(form.property("helpContext").toInt(), 153);
    QTableWidget* grid = form.grid();
    ASSERT_EQ(grid->rowCount(), 19);
    ASSERT_EQ(grid->columnCount(), 29);
    EXPECT_EQ(grid->item(0, 2)->text(), QStringLiteral("00-01"));
    EXPECT_EQ(grid->item(18, 3)->text(), QStringLiteral("2"));  // 01:00 and 01:30
    EXPECT_NE(grid->item(17, 5)->foreground(), grid->item(16, 5)->foreground())
        << "inactive input 16 is greyed";

    // A click on the column of box 01-02 shows its figures for each input.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(5, 3)).center());
    EXPECT_EQ(form.chosenBox(), 1);
    ASSERT_EQ(form.details()->rowCount(), 17);
    EXPECT_EQ(form.details()->item(1, 2)->text(), QStringLiteral("1"));  // To On of input 1 at 01:00
    EXPECT_EQ(form.details()->item(1, 6)->text(), QStringLiteral("50.0"));

    // The printed page: the caption in bold and the two tables, scaled into the page.
    QImage page(600, 840, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        form.paintPage(painter, QRect(20, 20, 560, 800));
    }
    const auto inkInRows = [&page](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128) return true;
        return false;
    };
    EXPECT_FALSE(inkInRows(0, 20)) << "nothing above the page's area";
    EXPECT_TRUE(inkInRows(20, 40)) << "the caption";
    EXPECT_FALSE(inkInRows(400, 840)) << "the grid and the 16 details fit in the top half at this width";

    form.boxList()->setCurrentRow(1);  // "10 Equal Boxes"
    EXPECT_EQ(form.boxList()->currentItem()->text(), QStringLiteral("10 Equal Boxes"));
    EXPECT_EQ(grid->columnCount(), 15);
    EXPECT_EQ(form.chosenBox(), -1);

    test::TempDir dir;
    files.answers.push_back(dir.file("s.csv"));
    form.saveButton()->click();
    ASSERT_EQ(files.shown.size(), 1u);
    EXPECT_EQ(files.shown[0].request.filter, "Comma Separated Variable Files|*.csv");
    EXPECT_EQ(test::readBytes(dir.file("s.csv")), csvText(form.shownGrid()));
    files.answers.push_back(dir.file("missing/s.csv"));
    form.saveButton()->click();
    EXPECT_EQ(rig.prompts.warnings.size(), 1u);
}

// The grid's two header rows and its input column stay where they are while the grid scrolls:
// what the grid shows there is the same before and after a scroll down or to the right.
TEST(StatisticsDialog, HeaderRowsAndInputColumnStayInViewWhileTheGridScrolls) {
    test::SearchRig rig;
    rig.fill(4, 100 * 86400, 1800);
    test::ScriptedFileDialogs files;
    StatisticsDialog form(rig.state, files, rig.prompts);
    form.loadFromState();
    form.resize(500, 420);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTableWidget* grid = form.grid();
    const QRect view = grid->viewport()->geometry();
    const QRect headerRows(view.x(), view.y(), view.width(), grid->rowHeight(0) + grid->rowHeight(1));
    const QRect inputColumns(view.x(), view.y(), grid->columnWidth(0) + grid->columnWidth(1), view.height());
    const QImage before = grid->grab().toImage();
    for (QScrollBar* bar : {grid->verticalScrollBar(), grid->horizontalScrollBar()}) {
        ASSERT_GT(bar->maximum(), 0) << "the grid is larger than its view";
        bar->setValue(bar->maximum());
        QApplication::processEvents();
        const QImage after = grid->grab().toImage();
        EXPECT_NE(after, before) << "the grid scrolled";
        const QRect kept = bar == grid->verticalScrollBar() ? headerRows : inputColumns;
        EXPECT_EQ(after.copy(kept), before.copy(kept));
        bar->setValue(0);
    }
}

}  // namespace
}  // namespace zvl
