#pragma once
// The help: HelpWindow shows the HTML pages of the help folder with Back, Forward, Contents and
// a search of the page text; HelpViewer finds the folder beside the program, opens the pages
// the Help menu names, and answers F1 anywhere in the program with the page of the nearest
// window, dialog or menu that carries a help context.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "platform/prompts.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace zvl {

class HelpWindow final : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const QString& folder, QWidget* parent);

    void showPage(const QString& page);
    // Finds text after the caret in the page shown, then in the next page that holds it, in the
    // order of the contents; after the last page it starts again from the first and says so.
    // False when no page has it.
    bool find(const QString& text);

    QString folder() const { return folder_; }
    QString currentPage() const;  // the file name of the page shown
    QTextBrowser* browser() const { return browser_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* forwardButton() const { return forward_; }
    QPushButton* contentsButton() const { return contents_; }
    QLineEdit* searchEdit() const { return search_; }
    QLabel* statusLabel() const { return status_; }

private:
    QString folder_;
    QTextBrowser* browser_ = nullptr;
    QPushButton *back_ = nullptr, *forward_ = nullptr, *contents_ = nullptr, *findButton_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* status_ = nullptr;
};

class HelpViewer final : public QObject {
    Q_OBJECT
public:
    // `mainWindow` owns the help window unless a modal dialog is open when help is asked for.
    HelpViewer(Prompts& prompts, QWidget* mainWindow);
    ~HelpViewer() override;

    // The folder the program runs from (the help folder is looked for from here).
    std::string programDirectory;

    void showContents();
    void showHowToUseHelp();
    // The page of a help context; false (and nothing shown) for a number without a page.
    bool showContext(int context);
    // The help context F1 on this object asks for: its own or its nearest parent's.
    static std::optional<int> contextOf(const QObject* object);

    HelpWindow* window() const { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool showPage(const std::string& page);

    Prompts& prompts_;
    QWidget* mainWindow_;
    QPointer<HelpWindow> window_;
};

}  // namespace zvl
