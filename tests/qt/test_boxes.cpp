// The boxes: SelectPortDialog, ChoiceBox and the QtPrompts that show them and the message boxes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "modal.h"
#include "qt/choicebox.h"
#include "qt/qtprompts.h"
#include "qt/selectportdialog.h"

namespace zvl {
namespace {

using test::whenModalShows;

QStringList labelTexts(const QWidget& w) {
    QStringList texts;
    for (const QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
    return texts;
}

// ---- SelectPortDialog ----

TEST(SelectPortDialog, ListsTheGivenPortsWithTheFirstPreselected) {
    SelectPortDialog dialog({1, 3, 7, 12});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select Port"));
    const QStringList labels = labelTexts(dialog);
    EXPECT_TRUE(labels.contains(QStringLiteral("The configured serial port is not valid.")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Please choose another port.")));
    QComboBox* list = dialog.portList();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), QStringLiteral("COM1"));
    EXPECT_EQ(list->itemText(1), QStringLiteral("COM3"));
    EXPECT_EQ(list->itemText(2), QStringLiteral("COM7"));
    EXPECT_EQ(list->itemText(3), QStringLiteral("COM12"));
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(dialog.okButton()->text(), QStringLiteral("OK"));
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(labelTexts(dialog).size(), 2) << "no note";
    SelectPortDialog noted({2}, nullptr, QStringLiteral("You have no access to COM1"));
    EXPECT_TRUE(labelTexts(noted).contains(QStringLiteral("You have no access to COM1")));
}

TEST(SelectPortDialog, OkReturnsTheNumberOfTheChosenEntry) {
    SelectPortDialog dialog({2, 4, 11});
    dialog.show();
    dialog.portList()->setCurrentIndex(2);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPort(), std::optional<int>(11));
}

TEST(SelectPortDialog, OkWithoutChangingTakesTheFirstEntry) {
    SelectPortDialog dialog({5, 6});
    dialog.show();
    dialog.okButton()->click();
    EXPECT_EQ(dialog.chosenPort(), std::optional<int>(5));
}

TEST(SelectPortDialog, CancelReturnsNothing) {
    SelectPortDialog dialog({2, 4, 11});
    dialog.show();
    dialog.portList()->setCurrentIndex(1);
    dialog.cancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.chosenPort(), std::nullopt);
}

TEST(QtPrompts, SelectPortShowsTheDialogModallyAndReturnsTheChoice) {
    QtPrompts prompts;
    whenModalShows([](QWidget* w) {
        auto* dialog = qobject_cast<SelectPortDialog*>(w);
        if (!dialog) {
            ADD_FAILURE() << "not the port dialog";
            w->close();
            return;
        }
        dialog->portList()->setCurrentIndex(2);
        dialog->okButton()->click();
    });
    EXPECT_EQ(prompts.selectPort({1, 2, 9}, ""), std::optional<int>(9));

    whenModalShows([](QWidget* w) {
        if (auto* dialog = qobject_cast<SelectPortDialog*>(w))
            dialog->cancelButton()->click();
        else
            w->close();
    });
    EXPECT_EQ(prompts.selectPort({1, 2, 9}, ""), std::nullopt);
}

// ---- ChoiceBox ----

const ChoiceAnswer kAllAnswers[] = {ChoiceAnswer::DeleteThis,  ChoiceAnswer::DeleteAll,
                                    ChoiceAnswer::CorrectThis, ChoiceAnswer::CorrectAll,
                                    ChoiceAnswer::IgnoreThis,  ChoiceAnswer::IgnoreAll};

TEST(ChoiceBox, LooksAsDesigned) {
    ChoiceBox box(QStringLiteral("Result 4 has a time before its start."), true);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Pellam - ZVL"));
    EXPECT_EQ(box.minimumSize(), QSize(363, 226));
    EXPECT_EQ(box.maximumSize(), QSize(363, 226));
    EXPECT_EQ(box.messageLabel()->text(), QStringLiteral("Result 4 has a time before its start."));
    EXPECT_EQ(box.noteLabel()->text(), QStringLiteral("This Will Affect Display in TimeBase Mode"));
    const std::pair<ChoiceAnswer, const char*> texts[] = {
        {ChoiceAnswer::DeleteThis, "Delete This Result"},   {ChoiceAnswer::DeleteAll, "Delete All Errors"},
        {ChoiceAnswer::CorrectThis, "Correct This Result"}, {ChoiceAnswer::CorrectAll, "Correct All Errors"},
        {ChoiceAnswer::IgnoreThis, "Ignore This Result"},   {ChoiceAnswer::IgnoreAll, "Ignore All Errors"}};
    for (const auto& [answer, text] : texts) {
        ASSERT_NE(box.button(answer), nullptr);
        EXPECT_EQ(box.button(answer)->text(), QString::fromLatin1(text));
    }
    EXPECT_EQ(box.button(ChoiceAnswer::DeleteThis)->objectName(), QStringLiteral("deleteThisButton"));
    EXPECT_EQ(box.button(ChoiceAnswer::IgnoreAll)->objectName(), QStringLiteral("ignoreAllButton"));
}

TEST(ChoiceBox, EmptyMessageShowsThePlaceholder) {
    ChoiceBox box(QString(), true);
    EXPECT_EQ(box.messageLabel()->text(), QStringLiteral("Message"));
}

TEST(ChoiceBox, WithAResultAllSixButtonsAreOffered) {
    ChoiceBox box(QStringLiteral("m"), true);
    box.show();
    for (ChoiceAnswer a : kAllAnswers) {
        EXPECT_TRUE(box.button(a)->isEnabled()) << int(a);
        EXPECT_TRUE(box.button(a)->isVisible()) << int(a);
    }
}

TEST(ChoiceBox, WithoutAResultOnlyTheIgnoreButtonsAreOffered) {
    ChoiceBox box(QStringLiteral("m"), false);
    box.show();
    for (ChoiceAnswer a : kAllAnswers) {
        const bool offered = a == ChoiceAnswer::IgnoreThis || a == ChoiceAnswer::IgnoreAll;
        EXPECT_EQ(box.button(a)->isEnabled(), offered) << int(a);
        EXPECT_EQ(box.button(a)->isVisible(), offered) << int(a);
    }
}

TEST(ChoiceBox, EachButtonClosesTheBoxWithItsAnswer) {
    for (ChoiceAnswer a : kAllAnswers) {
        ChoiceBox box(QStringLiteral("m"), true);
        box.show();
        QTest::mouseClick(box.button(a), Qt::LeftButton);
        EXPECT_EQ(box.answer(), a) << int(a);
        EXPECT_FALSE(box.isVisible()) << int(a);
    }
}

TEST(ChoiceBox, ClosingTheWindowCountsAsIgnoreThis) {
    ChoiceBox box(QStringLiteral("m"), true);
    box.show();
    EXPECT_TRUE(box.close());
    EXPECT_EQ(box.answer(), ChoiceAnswer::IgnoreThis);
    EXPECT_EQ(box.result(), QDialog::Rejected);
}

TEST(ChoiceBox, IsCentredOnTheScreen) {
    ChoiceBox box(QStringLiteral("m"), true);
    box.show();
    ASSERT_NE(box.screen(), nullptr);
    const QPoint centre = box.screen()->availableGeometry().center();
    const QPoint boxCentre = box.frameGeometry().center();
    EXPECT_LE((boxCentre - centre).manhattanLength(), 4)
        << boxCentre.x() << "," << boxCentre.y() << " vs " << centre.x() << "," << centre.y();
}

TEST(QtPrompts, ChoiceBoxReturnsThePressedButton) {
    QtPrompts prompts;
    whenModalShows([](QWidget* w) {
        auto* box = qobject_cast<ChoiceBox*>(w);
        if (!box) {
            ADD_FAILURE() << "not the choice box";
            w->close();
            return;
        }
        EXPECT_EQ(box->messageLabel()->text(), QStringLiteral("Result 2 is wrong"));
        box->button(ChoiceAnswer::CorrectAll)->click();
    });
    EXPECT_EQ(prompts.choiceBox("Result 2 is wrong", int64_t{2}), ChoiceAnswer::CorrectAll);
}

TEST(QtPrompts, ChoiceBoxWithoutAResultOffersOnlyIgnore) {
    QtPrompts prompts;
    whenModalShows([](QWidget* w) {
        auto* box = qobject_cast<ChoiceBox*>(w);
        if (!box) {
            ADD_FAILURE() << "not the choice box";
            w->close();
            return;
        }
        EXPECT_FALSE(box->button(ChoiceAnswer::DeleteThis)->isEnabled());
        EXPECT_FALSE(box->button(ChoiceAnswer::CorrectThis)->isEnabled());
        box->button(ChoiceAnswer::IgnoreAll)->click();
    });
    EXPECT_EQ(prompts.choiceBox("", std::nullopt), ChoiceAnswer::IgnoreAll);
}

// ---- QtPrompts message boxes ----

// Clicks the message box's button of the given role and checks title and text on the way.
void answerMessageBox(QMessageBox::StandardButton press, QString expectText, QMessageBox::Icon expectIcon,
                      QList<QMessageBox::StandardButton> expectButtons) {
    whenModalShows([=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            ADD_FAILURE() << "not a message box";
            w->close();
            return;
        }
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Pellam - ZVL"));
        EXPECT_EQ(box->text(), expectText);
        EXPECT_EQ(box->icon(), expectIcon);
        QList<QMessageBox::StandardButton> shown;
        for (QAbstractButton* b : box->buttons()) shown << box->standardButton(b);
        EXPECT_EQ(shown.size(), expectButtons.size());
        for (auto b : expectButtons) EXPECT_TRUE(shown.contains(b)) << int(b);
        if (QAbstractButton* b = box->button(press))
            b->click();
        else
            box->close();
    });
}

TEST(QtPrompts, ConfirmIsYesOrNo) {
    QtPrompts prompts;
    answerMessageBox(QMessageBox::Yes, QStringLiteral("Clear the memory?"), QMessageBox::Question,
                     {QMessageBox::Yes, QMessageBox::No});
    EXPECT_TRUE(prompts.confirm("Clear the memory?", IfEscaped::No));
    answerMessageBox(QMessageBox::No, QStringLiteral("Clear the memory?"), QMessageBox::Question,
                     {QMessageBox::Yes, QMessageBox::No});
    EXPECT_FALSE(prompts.confirm("Clear the memory?", IfEscaped::Yes));
}

// Escape, and closing the box, give the answer the question names (the program's questions
// and their answers are the main window's test).
TEST(QtPrompts, EscapeOrClosingAQuestionGivesTheAnswerItNames) {
    QtPrompts prompts;
    for (const IfEscaped escaped : {IfEscaped::Yes, IfEscaped::No})
        for (const bool key : {true, false}) {
            test::whenModalShows([key](QWidget* w) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                if (key)
                    QApplication::sendEvent(w, &escape);
                else
                    w->close();
            });
            EXPECT_EQ(prompts.confirm("Go on ?", escaped), escaped == IfEscaped::Yes) << key;
        }
}

TEST(QtPrompts, WarningAndInformationHaveOneOkButtonAndTheCallersText) {
    QtPrompts prompts;
    const QString text = QStringLiteral("Port  COM3 \nnot found");  // kept as given
    answerMessageBox(QMessageBox::Ok, text, QMessageBox::Warning, {QMessageBox::Ok});
    prompts.warning(text.toStdString());
    answerMessageBox(QMessageBox::Ok, QStringLiteral("Done"), QMessageBox::Information, {QMessageBox::Ok});
    prompts.information("Done");
}

TEST(QtPrompts, InputBoxReturnsTheAnswerOrTheDefaultWhenCancelled) {
    QtPrompts prompts;
    auto drive = [](bool accept) {
        whenModalShows([accept](QWidget* w) {
            auto* input = qobject_cast<QInputDialog*>(w);
            if (!input) {
                ADD_FAILURE() << "not an input box";
                w->close();
                return;
            }
            EXPECT_EQ(input->windowTitle(), QStringLiteral("Name"));
            EXPECT_EQ(input->labelText(), QStringLiteral("Enter a name"));
            EXPECT_EQ(input->textValue(), QStringLiteral("run 1"));
            input->setTextValue(QStringLiteral("run 2"));
            if (accept)
                input->accept();
            else
                input->reject();
        });
    };
    drive(true);
    EXPECT_EQ(prompts.inputBox("Name", "Enter a name", "run 1"), "run 2");
    drive(false);
    EXPECT_EQ(prompts.inputBox("Name", "Enter a name", "run 1"), "run 1");
}

TEST(QtPrompts, InputBoxIsWideEnoughForItsCaption) {
    QtPrompts prompts;
    int width = 0;
    whenModalShows([&](QWidget* w) {
        width = w->width();
        w->close();
    });
    prompts.inputBox("Commmunication Port", "Select Comport [1..4]", "1");
    // The caption, the window icon and three title-bar buttons of at least 24 pixels each.
    EXPECT_GE(
        width,
        QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Commmunication Port")) + 4 * 24);
}

// Every box is at least as wide as its caption needs in the title bar, with the window icon and
// three buttons of at least 24 pixels beside it, however short its text.
TEST(QtPrompts, EveryBoxIsWideEnoughForItsCaption) {
    const QString caption = QStringLiteral("Corvask Pellam ZVL - a caption of some length");
    QtPrompts prompts(nullptr, caption);
    const int needed = QFontMetrics(QApplication::font()).horizontalAdvance(caption) + 4 * 24;
    const std::function<void()> boxes[] = {[&] { prompts.warning("Done"); },
                                           [&] { prompts.information("Done"); },
                                           [&] { prompts.confirm("Go?", IfEscaped::No); },
                                           [&] { prompts.inputBox(caption.toStdString(), "Port", "1"); }};
    for (size_t i = 0; i < std::size(boxes); ++i) {
        int width = 0;
        whenModalShows([&](QWidget* w) {
            width = w->width();
            w->close();
        });
        boxes[i]();
        EXPECT_GE(width, needed) << i;
    }
}

TEST(QtPrompts, BusyCursorNeverStacksOverrides) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        QtPrompts prompts;
        prompts.setBusyCursor(true);
        prompts.setBusyCursor(true);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        prompts.setBusyCursor(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "one restore must clear it";
        prompts.setBusyCursor(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        prompts.setBusyCursor(true);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "left busy at destruction";
}

}  // namespace
}  // namespace zvl
