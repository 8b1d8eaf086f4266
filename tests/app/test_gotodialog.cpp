// The go-to dialog on the offscreen platform.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimeEdit>

#include "app/gotodialog.h"
#include "search/goto.h"
#include "tests/qt/modal.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

struct GoToDialogTest : ::testing::Test {
    test::SearchRig rig;
    AppState& st = rig.state;
    void SetUp() override {
        // 20 results an hour apart from 3 March 2024 10:00:00.
        const int64_t t0 = timeStampFromDateTime({2024, 3, 3, 9, 0, 0, 0});
        rig.fill(20, t0, 3600);
        st.timebaseIndex = 7;
        st.currentResult = 4;
        st.viewStartTime = 4444;
        st.cursorResult = 3;
    }
    QString labelText(const GoToDialog& form, const char* name) {
        auto* l = form.findChild<QLabel*>(QString::fromLatin1(name));
        return l ? l->text() : QStringLiteral("<missing>");
    }
};

TEST_F(GoToDialogTest, LayoutAndPresets) {
    GoToDialog form(st, rig.prompts);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Corvask Pellam - Go To Event"));
    EXPECT_EQ(labelText(form, "EventLabel"), QStringLiteral("Event"));
    EXPECT_EQ(form.eventEdit()->text(), QStringLiteral("1"));
    EXPECT_EQ(form.dateEdit()->displayFormat(), QStringLiteral("d MMMM yyyy"));
    EXPECT_EQ(form.timeEdit()->displayFormat(), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(form.dateEdit()->text(), QStringLiteral("3 March 2024")) << "English month names";
    EXPECT_EQ(form.timeEdit()->text(), QStringLiteral("12:00:00")) << "the cursor result's time";
    EXPECT_EQ(labelText(form, "StartLabel"), QStringLiteral("Start"));
    EXPECT_EQ(labelText(form, "StopLabel"), QStringLiteral("Stop"));
    EXPECT_EQ(labelText(form, "TotalLabel"), QStringLiteral("Total"));
    EXPECT_EQ(form.startValue()->text(), QStringLiteral("3 Mar 24 10:00:00"));
    EXPECT_EQ(form.stopValue()->text(), QStringLiteral("4 Mar 24 05:00:00"));
    EXPECT_EQ(form.totalValue()->text(), QStringLiteral("20"));
    EXPECT_EQ(form.goToEventButton()->text(), QStringLiteral("Go To Event"));
    EXPECT_EQ(form.goToTimeButton()->text(), QStringLiteral("Go To Time"));
    EXPECT_EQ(form.cancelButton()->text(), QStringLiteral("Cancel"));
}

TEST_F(GoToDialogTest, GoToEventMovesBothViewsAndCloses) {
    GoToDialog form(st, rig.prompts);
    form.show();
    form.eventEdit()->setText(QStringLiteral("12"));
    QTest::mouseClick(form.goToEventButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(st.currentResult, 12 - 31);
    EXPECT_EQ(st.viewStartTime, st.resultTime(12) - 150);
    EXPECT_TRUE(rig.prompts.informations.empty());
}

TEST_F(GoToDialogTest, BadEventNumberKeepsTheDialogOpenAndTheViewWhereItWas) {
    GoToDialog form(st, rig.prompts);
    form.show();
    for (const char* text : {"21", "0", "twelve"}) {
        form.eventEdit()->setText(QString::fromLatin1(text));
        QTest::mouseClick(form.goToEventButton(), Qt::LeftButton);
        EXPECT_TRUE(form.isVisible()) << text;
    }
    EXPECT_EQ(rig.prompts.informations, std::vector<std::string>(3, goToEventRangeText(20)));
    EXPECT_EQ(st.currentResult, 4);
    EXPECT_EQ(st.viewStartTime, 4444);
}

TEST_F(GoToDialogTest, GoToTimePicksTheFirstResultAtOrAfterTheMoment) {
    GoToDialog form(st, rig.prompts);
    form.show();
    form.dateEdit()->setDate(QDate(2024, 3, 3));
    form.timeEdit()->setTime(QTime(15, 30, 0));
    QTest::mouseClick(form.goToTimeButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(st.cursorResult, 7) << "results 10:00, 11:00 ... : 16:00 is result 7";
    EXPECT_EQ(st.currentResult, 7 - 31);

    form.show();
    form.dateEdit()->setDate(QDate(2030, 1, 1));
    QTest::mouseClick(form.goToTimeButton(), Qt::LeftButton);
    EXPECT_EQ(st.cursorResult, 20) << "after the last result: the last result";
}

TEST_F(GoToDialogTest, MenuCommandShowsItModallyAndRepaintsAfterCancel) {
    GoToDialog form(st, rig.prompts);
    form.eventEdit()->setText(QStringLiteral("9"));  // left over from a last visit
    bool sawPreset = false;
    test::whenModalShows([&](QWidget* w) {
        auto* f = qobject_cast<GoToDialog*>(w);
        ASSERT_NE(f, nullptr);
        sawPreset = f->eventEdit()->text() == QStringLiteral("1");
        f->cancelButton()->click();
    });
    goToEventOrTime(form, rig.view);
    EXPECT_TRUE(sawPreset);
    EXPECT_EQ(rig.view.refreshes, 1);
    EXPECT_EQ(st.currentResult, 4);
    EXPECT_EQ(st.viewStartTime, 4444);
}

}  // namespace
}  // namespace zvl
