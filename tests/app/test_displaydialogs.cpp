// The display options dialog, the colours dialog, the About box and the help window on the
// offscreen platform: what each loads, what its buttons store, and what the help window finds.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <deque>
#include <fstream>

#include "app/aboutbox.h"
#include "app/coloursdialog.h"
#include "app/displayoptionsdialog.h"
#include "app/helpwindow.h"
#include "session/help.h"
#include "tests/support/fakes.h"

namespace zvl {
namespace {

TEST(DisplayOptionsDialog, AcceptStoresWhatItShowsWithLabelsCutTo14) {
    AppState st;
    for (size_t k = 0; k < 16; ++k) st.inputActive[k] = true;
    st.inputLabels[0] = "A label from a file, twenty-six";
    st.inputLabels[1] = "Pump";
    DisplayOptionsDialog dialog(st);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Corvask Pellam - ZVL Display Options");
    EXPECT_EQ(dialog.labelEdit(2)->text(), "Pump");
    EXPECT_EQ(dialog.activeBox(16)->text(), "Active");
    dialog.labelEdit(2)->clear();
    dialog.activeBox(5)->setChecked(false);
    dialog.acceptButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(st.inputLabels[0], "A label from a") << "cut to 14 though untouched";
    EXPECT_EQ(st.inputLabels[1], "") << "an empty label is kept";
    EXPECT_FALSE(st.inputActive[4]);
    EXPECT_TRUE(st.inputActive[5]);

    DisplayOptions shown;
    shown.labels[3] = "Exactly fourteen!";
    acceptDisplayOptions(st, shown);
    EXPECT_EQ(st.inputLabels[3], "Exactly fourte");
}

// Each input's caption, edit and tick are found by what they are for, next to input 1..16.
TEST(DisplayOptionsDialog, EachInputsWidgetsAreNamedForTheirRole) {
    AppState st;
    DisplayOptionsDialog dialog(st);
    for (int i = 1; i <= kInputCount; ++i) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("inputLabelEdit%1").arg(i)),
                  dialog.labelEdit(i));
        EXPECT_EQ(dialog.findChild<QCheckBox*>(QStringLiteral("inputActiveBox%1").arg(i)),
                  dialog.activeBox(i));
        auto* caption = dialog.findChild<QLabel*>(QStringLiteral("inputCaption%1").arg(i));
        ASSERT_NE(caption, nullptr) << i;
        EXPECT_EQ(caption->text(), QStringLiteral("Input %1").arg(i));
    }
}

TEST(DisplayOptionsDialog, SetAllActiveStaysAfterCancelAndShowsTheStore) {
    AppState st;
    st.inputLabels[6] = "Valve";
    st.inputActive[0] = true;
    DisplayOptionsDialog dialog(st);
    dialog.show();
    dialog.labelEdit(7)->setText("typed, not accepted");
    dialog.setAllActiveButton()->click();
    for (int i = 1; i <= kInputCount; ++i) EXPECT_TRUE(dialog.activeBox(i)->isChecked()) << i;
    EXPECT_EQ(dialog.labelEdit(7)->text(), "Valve") << "the dialog shows the store again";
    dialog.cancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(std::all_of(st.inputActive.begin(), st.inputActive.end(), [](bool a) { return a; }));
    EXPECT_EQ(st.inputLabels[6], "Valve");
}

// Answers the colour picker from a script and keeps the colour each pick started from.
struct ScriptedPicker : ColourPicker {
    std::optional<uint32_t> pick(uint32_t current) override {
        presets.push_back(current);
        const std::optional<uint32_t> a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::optional<uint32_t>> answers;
    std::vector<uint32_t> presets;
};

struct ColoursTest : ::testing::Test {
    AppState st;
    test::ScriptedPrompts prompts;
    test::CountingView view;
    ScriptedPicker picker;
    ColoursDialog dialog{st, prompts, view, picker};
};

TEST_F(ColoursTest, EachButtonStoresAConfirmedColourAndRepaintsEitherWay) {
    EXPECT_EQ(dialog.windowTitle(), "Corvask Pellam - ZVL Colours");
    EXPECT_EQ(dialog.size(), QSize(372, 209));
    const std::vector<std::pair<ColourButton, uint32_t ColourSlots::*>> settings = {
        {ColourButton::On, &ColourSlots::onColour},
        {ColourButton::Off, &ColourSlots::offColour},
        {ColourButton::Change, &ColourSlots::changeColour},
        {ColourButton::HighlightOn, &ColourSlots::highlightOnColour},
        {ColourButton::HighlightOff, &ColourSlots::highlightOffColour},
        {ColourButton::Background, &ColourSlots::backgroundColour},
    };
    uint32_t next = 0x102030;
    for (const auto& [button, slot] : settings) {
        const uint32_t before = st.colours.*slot;
        const ColourSlots others = st.colours;
        picker.answers = {next, std::nullopt};
        picker.presets.clear();
        const int refreshes = view.refreshes;
        dialog.colourButton(button)->click();
        EXPECT_EQ(st.colours.*slot, next) << colourButtonCaption(button);
        dialog.colourButton(button)->click();  // cancelled
        EXPECT_EQ(st.colours.*slot, next) << colourButtonCaption(button);
        EXPECT_EQ(picker.presets, (std::vector<uint32_t>{before, next}))
            << "the picker starts from the setting";
        EXPECT_EQ(view.refreshes, refreshes + 2);
        ColourSlots expected = others;
        expected.*slot = next;
        EXPECT_EQ(st.colours, expected) << "no other colour changes";
        EXPECT_EQ(dialog.colourButton(button)->text().toStdString(), colourButtonCaption(button));
        next += 0x010101;
    }
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "a pick does not close the dialog";
}

TEST_F(ColoursTest, DefaultAsksAndClosesWhateverTheAnswer) {
    st.colours.spareColour = 1;
    st.colours.gridColour = 2;
    st.colours.onColour = 3;
    st.monochromePrinting = true;
    const ColourSlots changed = st.colours;
    prompts.confirmAnswers = {false, true};
    dialog.defaultButton()->click();
    EXPECT_EQ(prompts.confirmations,
              std::vector<std::string>{"Set All Morvic ZVL Colours to Default Values ?"});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(st.colours, changed);
    EXPECT_TRUE(st.monochromePrinting);
    dialog.defaultButton()->click();
    EXPECT_EQ(st.colours, ColourSlots{}) << "the two colours without a button too";
    EXPECT_EQ(st.colours.spareColour, 65535u);
    EXPECT_EQ(st.colours.gridColour, 16711680u);
    EXPECT_FALSE(st.monochromePrinting);
}

TEST(AboutBox, VersionFirmwareAndUsefulInformation) {
    AppState st;
    st.firmwareVersion = "1.51";
    AboutBox box(st, "/home/user/.config/Pellam/Pellam.ini");
    EXPECT_EQ(box.windowTitle(), "About Corvask Pellam - ZVL");
    EXPECT_EQ(box.size(), QSize(353, 324));
    EXPECT_EQ(box.versionLabel()->text(), "Software Version 1.51 5th February 2014");
    EXPECT_EQ(box.firmwareLabel()->text(), "Unknown") << "offline";
    const QLabel* contact = box.findChild<QLabel*>("Contact");
    ASSERT_TRUE(contact);
    EXPECT_TRUE(contact->text().contains("README")) << contact->text().toStdString();
    const QLabel* notice = box.findChild<QLabel*>("Copyright");
    ASSERT_TRUE(notice);
    for (const char* words : {"MIT License", "LICENSE", "without warranty"})
        EXPECT_TRUE(notice->text().contains(words)) << notice->text().toStdString();
    st.instrumentOnline = true;
    box.loadFromState();
    EXPECT_EQ(box.firmwareLabel()->text(), "1.51");
    st.instrumentOnline = false;
    st.firmwareVersion = "0.0";
    box.show();
    EXPECT_EQ(box.firmwareLabel()->text(), "1.51") << "offline keeps what was shown";
    EXPECT_FALSE(box.informationMemo()->isVisible());
    box.informationButton()->click();
    EXPECT_TRUE(box.informationMemo()->isVisible());
    EXPECT_TRUE(box.informationMemo()->toPlainText().contains("/home/user/.config/Pellam/Pellam.ini"));
    box.backButton()->click();
    EXPECT_EQ(box.result(), QDialog::Accepted);
    box.show();
    EXPECT_FALSE(box.informationMemo()->isVisible()) << "hidden again when the box opens";
}

TEST(HelpWindow, BackForwardContentsAndSearch) {
    HelpWindow help(QStringLiteral(ZVL_SOURCE_DIR "/help"), nullptr);
    help.showPage(QString::fromLatin1(kHelpContentsPage));
    EXPECT_FALSE(help.backButton()->isEnabled());
    EXPECT_TRUE(help.find("dialout")) << "a word of another page: the first in the contents that holds it";
    EXPECT_EQ(help.currentPage(), "messages.html");
    EXPECT_TRUE(help.browser()->textCursor().selectedText().contains("dialout", Qt::CaseInsensitive));
    help.backButton()->click();
    EXPECT_EQ(help.currentPage(), "contents.html");
    help.forwardButton()->click();
    EXPECT_EQ(help.currentPage(), "messages.html");
    help.contentsButton()->click();
    EXPECT_EQ(help.currentPage(), "contents.html");
    EXPECT_FALSE(help.find("xyzzy-not-there"));
    EXPECT_EQ(help.statusLabel()->text(), "\"xyzzy-not-there\" is not in the help pages.");
    EXPECT_EQ(help.currentPage(), "contents.html");
}

// Find goes through the pages in the order of the contents, on past the last page of the
// contents back to the first, and says so; a page the folder lacks is named in the window.
TEST(HelpWindow, FindFollowsTheContentsAndSaysWhenItWraps) {
    QTemporaryDir dir;
    const auto write = [&](const char* name, const char* body) {
        std::ofstream(dir.filePath(name).toStdString())
            << "<html><head><title>" << name << "</title></head><body>" << body << "</body></html>";
    };
    write("contents.html",
          "<a href=\"b.html\">B</a> <a href=\"gone.html\">gone</a> <a href=\"a.html\">A</a>");
    write("a.html", "<p>one pump here</p>");
    write("b.html", "<p>pump and pump</p>");
    HelpWindow help(dir.path(), nullptr);
    help.showPage("contents.html");
    struct Step {
        const char* page;
        const char* status;
    };
    const Step steps[] = {{"b.html", "Found in b.html"},
                          {"b.html", ""},
                          {"a.html", "Found in a.html"},
                          {"b.html", "Passed the last page; started again from the first. Found in b.html"}};
    for (const Step& s : steps) {
        EXPECT_TRUE(help.find("pump"));
        EXPECT_EQ(help.currentPage(), s.page);
        EXPECT_EQ(help.statusLabel()->text(), s.status) << s.page;
        EXPECT_EQ(help.browser()->textCursor().selectedText(), "pump");
    }

    help.showPage("gone.html");
    EXPECT_TRUE(help.browser()->toPlainText().contains(
        QString::fromStdString(helpPageMissingText("gone.html", dir.path().toStdString()))))
        << help.browser()->toPlainText().toStdString();
}

}  // namespace
}  // namespace zvl
