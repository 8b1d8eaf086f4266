#include "app/helpwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "session/help.h"

namespace zvl {

namespace {
// A page the folder lacks is shown as a message naming it, not as an empty window.
class HelpBrowser final : public QTextBrowser {
public:
    HelpBrowser(const QString& folder, QWidget* parent) : QTextBrowser(parent), folder_(folder) {}

    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::HtmlResource && name.isLocalFile() &&
            !QFileInfo::exists(name.toLocalFile())) {
            const QString text = QString::fromStdString(helpPageMissingText(
                QFileInfo(name.toLocalFile()).fileName().toStdString(), folder_.toStdString()));
            return QStringLiteral(
                       "<html><head><title>Help page missing</title></head><body><h1>Help page missing</h1>"
                       "<p>%1</p><p><a href=\"%2\">Contents</a></p></body></html>")
                .arg(text.toHtmlEscaped(), QString::fromLatin1(kHelpContentsPage));
        }
        return QTextBrowser::loadResource(type, name);
    }

private:
    QString folder_;
};
}  // namespace

HelpWindow::HelpWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Corvask Pellam - ZVL Help"));
    setProperty("helpContext", kHelpHelpWindow);
    resize(720, 560);

    back_ = new QPushButton(QStringLiteral("< Back"), this);
    back_->setObjectName(QStringLiteral("helpBackButton"));
    forward_ = new QPushButton(QStringLiteral("Forward >"), this);
    forward_->setObjectName(QStringLiteral("helpForwardButton"));
    contents_ = new QPushButton(QStringLiteral("Contents"), this);
    contents_->setObjectName(QStringLiteral("helpContentsButton"));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("helpSearchEdit"));
    search_->setPlaceholderText(QStringLiteral("Search the help"));
    findButton_ = new QPushButton(QStringLiteral("Find"), this);
    findButton_->setObjectName(QStringLiteral("helpFindButton"));
    browser_ = new HelpBrowser(folder, this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setOpenExternalLinks(false);
    browser_->setSearchPaths({folder});
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("helpStatusLabel"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(contents_);
    bar->addSpacing(16);
    bar->addWidget(search_, 1);
    bar->addWidget(findButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    layout->addWidget(status_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QWidget::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QWidget::setEnabled);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents_, &QPushButton::clicked, this,
            [this] { showPage(QString::fromLatin1(kHelpContentsPage)); });
    const auto runFind = [this] { find(search_->text()); };
    connect(findButton_, &QPushButton::clicked, this, runFind);
    connect(search_, &QLineEdit::returnPressed, this, runFind);
    // Escape closes the help, as it closes a dialog.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    close->setObjectName(QStringLiteral("helpCloseShortcut"));
}

void HelpWindow::showPage(const QString& page) {
    status_->clear();
    browser_->setSource(QUrl::fromLocalFile(QDir(folder_).filePath(page)));
}

QString HelpWindow::currentPage() const {
    return QFileInfo(browser_->source().toLocalFile()).fileName();
}

bool HelpWindow::find(const QString& text) {
    status_->clear();
    if (text.trimmed().isEmpty()) return false;
    if (browser_->find(text)) return true;

    // The next pages in the order of the contents; after the last comes the first again, and
    // the page shown is searched from its top last of all.
    const QDir dir(folder_);
    std::vector<std::string> names;
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files))
        names.push_back(name.toStdString());
    QFile contentsFile(dir.filePath(QString::fromLatin1(kHelpContentsPage)));
    const std::string contents =
        contentsFile.open(QIODevice::ReadOnly) ? contentsFile.readAll().toStdString() : std::string();
    const std::vector<std::string> order = helpPageOrder(contents, names);
    if (order.empty()) return false;
    const auto hereAt = std::find(order.begin(), order.end(), currentPage().toStdString());
    const size_t here = hereAt == order.end() ? order.size() - 1 : size_t(hereAt - order.begin());
    for (size_t step = 1; step <= order.size(); ++step) {
        const size_t at = (here + step) % order.size();
        const QString page = QString::fromStdString(order[at]);
        QFile file(dir.filePath(page));
        if (!file.open(QIODevice::ReadOnly)) continue;
        QTextDocument doc;
        doc.setHtml(QString::fromUtf8(file.readAll()));
        if (!doc.toPlainText().contains(text, Qt::CaseInsensitive)) continue;
        showPage(page);
        browser_->find(text);
        const bool wrapped = at <= here;
        status_->setText(
            wrapped ? QStringLiteral("Passed the last page; started again from the first. Found in %1")
                          .arg(browser_->documentTitle())
                    : QStringLiteral("Found in %1").arg(browser_->documentTitle()));
        return true;
    }
    status_->setText(QStringLiteral("\"%1\" is not in the help pages.").arg(text));
    return false;
}

HelpViewer::HelpViewer(Prompts& prompts, QWidget* mainWindow)
    : programDirectory(QCoreApplication::applicationDirPath().toStdString()),
      prompts_(prompts),
      mainWindow_(mainWindow) {
    qApp->installEventFilter(this);
}

HelpViewer::~HelpViewer() {
    qApp->removeEventFilter(this);
    delete window_.data();
}

bool HelpViewer::showPage(const std::string& page) {
    const std::optional<std::string> folder = findHelpFolder(programDirectory);
    if (!folder) {
        prompts_.warning(helpMissingText(programDirectory));
        return false;
    }
    // A modal dialog blocks every window but its own children: help asked for in a dialog
    // stands over that dialog.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = mainWindow_;
    const QString folderText = QString::fromStdString(*folder);
    if (!window_ || window_->folder() != folderText) {
        delete window_.data();
        window_ = new HelpWindow(folderText, owner);
    } else if (window_->parentWidget() != owner) {
        window_->setParent(owner, Qt::Window);
    }
    window_->showPage(QString::fromStdString(page));
    window_->show();
    window_->raise();
    window_->activateWindow();
    return true;
}

void HelpViewer::showContents() {
    showPage(kHelpContentsPage);
}

void HelpViewer::showHowToUseHelp() {
    showPage(kHowToUseHelpPage);
}

bool HelpViewer::showContext(int context) {
    const std::optional<std::string> page = helpPageForContext(context);
    return page && showPage(*page);
}

std::optional<int> HelpViewer::contextOf(const QObject* object) {
    for (; object; object = object->parent()) {
        const QVariant context = object->property("helpContext");
        if (context.isValid()) return context.toInt();
    }
    return std::nullopt;
}

bool HelpViewer::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        if (const std::optional<int> context = contextOf(watched)) {
            showContext(*context);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace zvl
