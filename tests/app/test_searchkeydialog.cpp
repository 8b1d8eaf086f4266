// SearchKeyDialog on the offscreen platform: what it loads, what Accept, Cancel and Set ALL do to
// the stored key and the settings file, and what it paints.
#include <gtest/gtest.h>

#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/searchkeydialog.h"
#include "files/settings.h"
#include "tests/qt/modal.h"
#include "tests/search/searchfixture.h"

namespace zvl {
namespace {

uint32_t px(const QImage& img, int x, int y) {
    const QRgb c = img.pixel(x, y);
    return rgb(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
}

struct SearchKeyDialogTest : ::testing::Test {
    test::SearchRig rig;
    AppState& st = rig.state;
    QTemporaryDir config;
    QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");

    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedXdg); }

    void click(SearchKeyDialog& form, int input, int item) {
        auto* b = form.radioGroup(input)->findChild<QRadioButton*>(
            QStringLiteral("conditionGroup%1Choice%2").arg(input).arg(item));
        ASSERT_NE(b, nullptr);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    std::vector<int> chosen(const SearchKeyDialog& form) {
        std::vector<int> out;
        for (int i = 1; i <= kInputCount; ++i) out.push_back(form.chosenItem(i));
        return out;
    }
};

TEST_F(SearchKeyDialogTest, DefaultsShowEveryGroupOnDoNotCare) {
    SearchKeyDialog form(st);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Corvask Pellam - ZVL   Define Search Key"));
    EXPECT_EQ(form.size(), QSize(800, 575));
    EXPECT_EQ(form.acceptButton()->text(), QStringLiteral("Accept"));
    EXPECT_EQ(form.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(form.setAllButton()->text(), QStringLiteral("Set ALL to \"Do not Care\""));
    EXPECT_EQ(chosen(form), std::vector<int>(16, 0));
    for (int i = 1; i <= kInputCount; ++i) {
        EXPECT_TRUE(form.radioGroup(i)->isEnabled()) << i;
        EXPECT_EQ(form.nameLabel(i)->text(), QStringLiteral("Channel %1").arg(i));
        auto* number = form.findChild<QLabel*>(QStringLiteral("inputNumberLabel%1").arg(i));
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->text(), QString::number(i));
        EXPECT_TRUE(number->font().bold());
    }
    EXPECT_EQ(form.radioGroup(1)->pos(), QPoint(176, 152));
    EXPECT_EQ(form.radioGroup(8)->pos(), QPoint(176, 432));
    EXPECT_EQ(form.radioGroup(9)->pos(), QPoint(568, 152));
    EXPECT_EQ(form.radioGroup(16)->pos(), QPoint(568, 432));
}

TEST_F(SearchKeyDialogTest, StoredKeyAndLabelsAreLoadedEachTimeItOpensAndCancelKeepsTheKey) {
    SearchKeyDialog form(st);
    st.searchKey = {1, 2, 3, 4, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4};
    st.inputLabels[1] = "Pump \xE9";  // Windows-1252 e acute
    form.show();
    EXPECT_EQ(chosen(form), (std::vector<int>{1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4}))
        << "an unknown condition shows as Do Not Care";
    EXPECT_EQ(form.nameLabel(2)->text(), QString::fromUtf8("Pump \u00e9"));

    click(form, 1, 3);
    click(form, 5, 2);
    EXPECT_EQ(form.chosenItem(1), 3);
    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(st.searchKey[0], On) << "Cancel leaves the key";
    EXPECT_EQ(st.searchKey[4], DoNotCare);
    form.show();
    EXPECT_EQ(form.chosenItem(1), 1) << "a reopened dialog shows the stored key";
}

TEST_F(SearchKeyDialogTest, ClicksSurviveARepaintAndAcceptStoresThem) {
    SearchKeyDialog form(st);
    form.show();
    click(form, 3, 4);
    click(form, 12, 2);
    form.repaint();
    (void)form.grab();
    EXPECT_EQ(form.chosenItem(3), 4) << "covering and uncovering keeps what was clicked";
    QTest::mouseClick(form.acceptButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(st.searchKey[2], LowToHigh);
    EXPECT_EQ(st.searchKey[11], Off);
    EXPECT_EQ(st.searchKey[0], DoNotCare);
}

TEST_F(SearchKeyDialogTest, HeldLimitsShowAndAreStoredOnAccept) {
    st.heldAtMost = 7200;
    SearchKeyDialog form(st);
    form.show();
    EXPECT_EQ(form.heldAtLeastEdit()->text(), "");
    EXPECT_EQ(form.heldAtMostEdit()->text(), "2h");
    form.heldAtLeastEdit()->setText("90s");
    form.heldAtMostEdit()->setText("");
    QTest::mouseClick(form.acceptButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(st.heldAtLeast, 90);
    EXPECT_FALSE(st.heldAtMost);
}

TEST_F(SearchKeyDialogTest, InactiveInputIsGreyedAndKeepsItsCondition) {
    st.inputActive[4] = false;
    st.searchKey[4] = HighToLow;
    SearchKeyDialog form(st);
    form.show();
    EXPECT_FALSE(form.radioGroup(5)->isEnabled());
    EXPECT_TRUE(form.radioGroup(4)->isEnabled());
    EXPECT_EQ(form.chosenItem(5), int(HighToLow));
    click(form, 5, 1);  // a greyed group takes no clicks
    EXPECT_EQ(form.chosenItem(5), int(HighToLow));
    click(form, 4, 1);
    QTest::mouseClick(form.acceptButton(), Qt::LeftButton);
    EXPECT_EQ(st.searchKey[4], HighToLow);
    EXPECT_EQ(st.searchKey[3], On);
}

TEST_F(SearchKeyDialogTest, SetAllClearsTheStoredKeyAtOnceAndCancelDoesNotBringItBack) {
    st.searchKey = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4};
    st.inputActive[6] = false;
    SearchKeyDialog form(st);
    form.show();
    QTest::mouseClick(form.setAllButton(), Qt::LeftButton);
    EXPECT_EQ(st.searchKey, (std::array<uint8_t, kInputCount>{}));
    EXPECT_EQ(chosen(form), std::vector<int>(16, 0));
    EXPECT_TRUE(form.isVisible()) << "Set ALL leaves the dialog open";
    QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(st.searchKey, (std::array<uint8_t, kInputCount>{}));
}

TEST_F(SearchKeyDialogTest, SettingsFileIsRewrittenAfterAcceptOnly) {
    SearchKeyDialog form(st);
    const QString path = config.path() + QStringLiteral("/Pellam/Pellam.ini");
    ASSERT_EQ(QString::fromStdString(settingsFilePath()), path);

    test::whenModalShows([](QWidget* w) {
        auto* form = qobject_cast<SearchKeyDialog*>(w);
        ASSERT_NE(form, nullptr);
        form->chooseItem(2, int(Off));
        form->cancelButton()->click();
    });
    editSearchKey(st, rig.prompts, rig.view, form);
    EXPECT_FALSE(QFile::exists(path)) << "Cancel writes nothing";
    EXPECT_EQ(rig.view.refreshes, 1);

    test::whenModalShows([](QWidget* w) {
        auto* form = qobject_cast<SearchKeyDialog*>(w);
        ASSERT_NE(form, nullptr);
        form->chooseItem(2, int(Off));
        form->chooseItem(16, int(LowToHigh));
        form->acceptButton()->click();
    });
    editSearchKey(st, rig.prompts, rig.view, form);
    EXPECT_EQ(rig.view.refreshes, 2);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "Accept rewrites the settings file";
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 50);
    // Lines 35..50 hold the key, one condition per input.
    EXPECT_EQ(lines[34].trimmed(), "0");
    EXPECT_EQ(lines[35].trimmed(), "2");
    EXPECT_EQ(lines[49].trimmed(), "4");
    EXPECT_TRUE(rig.prompts.warnings.empty());
}

TEST_F(SearchKeyDialogTest, PaintsLabelsAndSymbolsInTheCurrentColours) {
    st.colours.onColour = rgb(200, 10, 20);
    st.colours.offColour = rgb(10, 180, 30);
    SearchKeyDialog form(st);
    form.show();
    QImage img = form.grab().toImage();
    ASSERT_EQ(img.size(), QSize(800, 575));
    for (int shift : {0, 392}) {
        EXPECT_EQ(px(img, 190 + shift, 140), rgb(192, 192, 192)) << "Do Not Care";
        EXPECT_EQ(px(img, 180 + shift, 140), rgb(0, 0, 0)) << "outline";
        EXPECT_EQ(px(img, 228 + shift, 140), st.colours.onColour) << "On";
        EXPECT_EQ(px(img, 266 + shift, 140), st.colours.offColour) << "Off";
        EXPECT_EQ(px(img, 297 + shift, 139), st.colours.onColour) << "High to Low: triangle";
        EXPECT_EQ(px(img, 308 + shift, 140), st.colours.offColour) << "High to Low: box";
        EXPECT_EQ(px(img, 335 + shift, 139), st.colours.offColour) << "Low to High: triangle";
        EXPECT_EQ(px(img, 346 + shift, 140), st.colours.onColour) << "Low to High: box";
    }
    // The condition labels read upwards from y = 120 in the columns over the symbols.
    const uint32_t background = px(img, 5, 5);
    for (int x : {180, 219, 257, 295, 334, 572, 611, 649, 687, 726}) {
        int ink = 0, below = 0;
        for (int y = 30; y < 130; ++y)
            for (int dx = 0; dx < 16; ++dx) {
                const bool marked = px(img, x + dx, y) != background;
                if (y < 120)
                    ink += marked;
                else
                    below += marked;
            }
        EXPECT_GT(ink, 15) << "label over x = " << x;
        EXPECT_EQ(below, 0) << "nothing between the label and its symbol at x = " << x;
    }

    st.colours.onColour = rgb(0, 0, 250);  // the colours dialog changed it
    form.repaint();
    img = form.grab().toImage();
    EXPECT_EQ(px(img, 228, 140), rgb(0, 0, 250));
}

}  // namespace
}  // namespace zvl
