// QtFileDialogs on the offscreen platform: how a command's dialog description becomes a
// QFileDialog, and the answer of a shown dialog.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <deque>
#include <fstream>

#include "filetestutil.h"
#include "link/download.h"
#include "qt/qtfiledialogs.h"
#include "tests/qt/modal.h"

namespace zvl {
namespace {

TEST(QtFileDialogs, FiltersShowTheDescriptionAndMatchEitherCase) {
    EXPECT_EQ(QtFileDialogs::nameFilters("Sorvantiker Files|*.zvl"),
              QStringList{"Sorvantiker Files (*.zvl *.ZVL)"});
    EXPECT_EQ(QtFileDialogs::nameFilters("Comma Separated Variables|*.CSV|Text Files|*.TXT"),
              (QStringList{"Comma Separated Variables (*.CSV *.csv)", "Text Files (*.TXT *.txt)"}));
    EXPECT_EQ(QtFileDialogs::nameFilters("Compliant CSV files |*.CSV"),
              QStringList{"Compliant CSV files  (*.CSV *.csv)"});
    EXPECT_EQ(QtFileDialogs::nameFilters("Two|*.a;*.B"), QStringList{"Two (*.a *.A *.B *.b)"});
}

TEST(QtFileDialogs, ConfigureAppliesEveryPartOfTheDescription) {
    test::TempDir dir;
    FileDialogSpec request;
    request.title = "Save Sorvantiker Files";
    request.filter = "Sorvantiker Files|*.zvl";
    request.defaultExtension = "zvl";
    request.initialDirectory = dir.file("last.zvl");  // a file path starts in its folder
    request.fileName = "/elsewhere/run.zvl";
    request.overwritePrompt = true;
    QFileDialog save;
    QtFileDialogs::configure(save, request, true);
    EXPECT_EQ(save.windowTitle(), QStringLiteral("Save Sorvantiker Files"));
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(save.defaultSuffix(), QStringLiteral("zvl"));
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save.directory().absolutePath(), QString::fromStdString(dir.path().string()));
    EXPECT_EQ(save.nameFilters(), QStringList{"Sorvantiker Files (*.zvl *.ZVL)"});

    FileDialogSpec bin;
    bin.filter = "Binary Files|*.BIN";
    bin.defaultExtension = "BIN";
    QFileDialog binary, plainSave;
    plainSave.setAcceptMode(QFileDialog::AcceptSave);
    QtFileDialogs::configure(binary, bin, true);
    EXPECT_EQ(binary.windowTitle(), plainSave.windowTitle()) << "no title of its own: the platform's";
    EXPECT_TRUE(binary.testOption(QFileDialog::DontConfirmOverwrite));

    FileDialogSpec open;
    open.filter = "Corvask Sorvantiker|*.ZVL";
    QFileDialog opener;
    QtFileDialogs::configure(opener, open, false);
    EXPECT_EQ(opener.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(opener.fileMode(), QFileDialog::ExistingFile);
}

TEST(QtFileDialogs, AnAcceptedSaveDialogAnswersWithTheFullPathAndTheDefaultExtension) {
    test::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
    FileDialogSpec request;
    request.filter = "Setings Only|*.STG";
    request.defaultExtension = "stg";
    request.initialDirectory = dir.path().string();
    QtFileDialogs dialogs;
    QString typed;
    const auto type = [&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        if (!d) {
            ADD_FAILURE() << "the modal widget is not a file dialog";
            if (auto* other = qobject_cast<QDialog*>(w)) other->reject();
            return;
        }
        // Typed into the name box (selectFile leaves a box that has the focus alone).
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) {
            ADD_FAILURE() << "no file name box";
            d->reject();
            return;
        }
        name->setText(typed);
        static_cast<QDialog*>(d)->done(QDialog::Accepted);  // as OK ends it; the answer is selectedFiles()
    };
    // A plain name gets the extension; a pipe or a name under /dev/ stands as typed.
    for (const auto& [name, answer] : std::vector<std::pair<QString, std::string>>{
             {"desc", dir.file("desc.stg")}, {"pipe", dir.file("pipe")}, {"/dev/stdout", "/dev/stdout"}}) {
        typed = name;
        test::whenModalShows(type);
        const auto chosen = dialogs.saveFile(request);
        ASSERT_TRUE(chosen.has_value());
        EXPECT_EQ(*chosen, answer);
    }

    test::whenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(dialogs.openFile(request).has_value());
}

// Runs each step on the modal widget that shows up next, in turn.
void onModals(std::deque<std::function<void(QWidget*)>> steps) {
    if (steps.empty()) return;
    auto step = std::move(steps.front());
    steps.pop_front();
    test::whenModalShows([step, steps](QWidget* w) {
        onModals(steps);
        step(w);
    });
}

// The download's chooser is an open dialog: a file chosen there that exists is replaced only
// after the question the save dialogs ask says Yes; No goes back to the dialog.
TEST(QtFileDialogs, TheDownloadsChooserAsksBeforeAnExistingFileIsReplaced) {
    test::TempDir dir;
    std::ofstream(dir.file("old.BIN")) << "kept";
    AppState state;
    state.dataDirectory = dir.path().string();
    const auto choose = [](const char* name) {
        return [name](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(d, nullptr);
            d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromLatin1(name));
            static_cast<QDialog*>(d)->done(QDialog::Accepted);
        };
    };
    const auto answer = [](QMessageBox::StandardButton button) {
        return [button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr) << "no question";
            EXPECT_EQ(box->text(),
                      QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg("old.BIN"));
            box->button(button)->click();
        };
    };
    const auto cancel = [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); };
    const struct {
        std::deque<std::function<void(QWidget*)>> steps;
        std::optional<std::string> chosen;
    } rows[] = {
        {{choose("new.BIN")}, dir.file("new.BIN")},
        {{choose("old.BIN"), answer(QMessageBox::Yes)}, dir.file("old.BIN")},
        {{choose("old.BIN"), answer(QMessageBox::No), cancel}, std::nullopt},
        {{choose("old.BIN"), answer(QMessageBox::No), choose("new.BIN")}, dir.file("new.BIN")},
    };
    QtFileDialogs dialogs;
    for (const auto& row : rows) {
        onModals(row.steps);
        EXPECT_EQ(dialogs.openFile(binaryDownloadDialog(state)), row.chosen);
    }
}

}  // namespace
}  // namespace zvl
