#include "app/Main.h"

#include "app/MenuBarStyle.h"
#include "catalogue/DataModule.h"
#include "dialogs/AboutUnit.h"
#include "dialogs/ConfigUnit.h"
#include "net/ProxyUnit.h"
#include "pages/Description.h"
#include "pages/MainHtml.h"
#include "pages/PlayerPage.h"
#include "platform/Codec.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "platform/Site.h"
#include "platform/core/Exception.h"
#include "platform/core/Version.h"
#include "ui_Main.h"
#include "update/UpProgUnit.h"
#include "widgets/DBControls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>
#include <iterator>

TMainForm* MainForm = nullptr;

namespace {

// Where main.html is written, opened and deleted: next to the executable when that folder
// can be written, else the user's own folder (an installed copy).
QString mainHtmlFolder(bool makeFolder) {
    // Paths cross into pages/ as UTF-8 on every system (Windows: its wide-character calls).
    const std::string program = TMainForm::programDirectory().toStdString();
    return QString::fromStdString(mainHtmlDirectory(program, makeFolder));
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ui_(std::make_unique<Ui::MainForm>()) {
    ui_->setupUi(this);
    setWindowTitle(QString::fromLatin1(kMainCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/zantrel.png")));
    // Fixed single border with the system menu and the minimise box only.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    platform::applyFormLook(this);
    ui_->centralwidget->setAutoFillBackground(true);

    QPalette white = ui_->StaticText2->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui_->StaticText2->setPalette(white);
    ui_->StaticText2->setAutoFillBackground(true);

    auto* menuStyle = new MenuBarStyle();
    menuStyle->setParent(ui_->MainMenu1);
    ui_->MainMenu1->setStyle(menuStyle);

    // One tab page per category, in the table's order: the grid fills the page; the hidden
    // edit that follows the current row's address is never shown.
    auto name = [](std::string_view text) {
        return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    };
    for (const CategoryInfo& row : kCategories) {
        const std::size_t i = index(row.category);
        sheets_[i] = new QWidget();
        sheets_[i]->setObjectName(name(row.sheet));
        auto* layout = new QVBoxLayout(sheets_[i]);
        layout->setSpacing(0);
        layout->setContentsMargins(0, 0, 0, 0);
        grids_[i] = new DBGrid(sheets_[i]);
        grids_[i]->setObjectName(name(row.grid));
        layout->addWidget(grids_[i]);
        ui_->PageControl1->addTab(
            sheets_[i],
            QString::fromUtf8(row.caption.data(), static_cast<qsizetype>(row.caption.size())));
        urlEdits_[i] = new QueryFieldEdit(ui_->centralwidget);
        urlEdits_[i]->setObjectName(name(row.urlEdit));
        urlEdits_[i]->setGeometry(0, 0, 121, 21);
        urlEdits_[i]->hide();
    }
    // The focus chain: the tab pages, the lists, the search box and the three buttons.
    QWidget* previous = ui_->PageControl1;
    for (QWidget* next : grids_) {
        setTabOrder(previous, next);
        previous = next;
    }
    for (QWidget* next : std::initializer_list<QWidget*>{ui_->FindEdit, ui_->StartBitBtn,
                                                         ui_->BitBtn1, ui_->BitBtn2}) {
        setTabOrder(previous, next);
        previous = next;
    }

    QTabBar* tabs = ui_->PageControl1->tabBar();
    tabs->setAttribute(Qt::WA_Hover, true);
    tabs->setExpanding(false);
    ui_->PageControl1->setCurrentIndex(0);

    ui_->StartBitBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    ui_->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    ui_->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));

    connect(ui_->BitBtn1, &QPushButton::clicked, this, platform::guard([this] { BitBtn1Click(); }));
    connect(ui_->StartBitBtn, &QPushButton::clicked, this,
            platform::guard([this] { StartBitBtnClick(); }));
    connect(ui_->BitBtn2, &QPushButton::clicked, this, platform::guard([this] { BitBtn2Click(); }));
    connect(ui_->FindEdit, &QLineEdit::textChanged, this,
            platform::guard([this] { FindEditChange(); }));
    connect(ui_->N3, &QAction::triggered, this, platform::guard([this] { N3Click(); }));
    connect(ui_->N5, &QAction::triggered, this, platform::guard([this] { N5Click(); }));
    connect(ui_->N7, &QAction::triggered, this, platform::guard([this] { N7Click(); }));
    connect(ui_->N8, &QAction::triggered, this, platform::guard([this] { N8Click(); }));
    connect(ui_->N9, &QAction::triggered, this, platform::guard([this] { N9Click(); }));
    connect(ui_->N6, &QAction::triggered, this, platform::guard([this] { N6Click(); }));

    // The client area is fixed; the menu bar sits above it.
    ui_->centralwidget->setFixedSize(722, 336);
    adjustSize();
    setFixedSize(sizeHint());
    platform::nameControls(this);
}

TMainForm::~TMainForm() = default;

void TMainForm::bindData(TDataModule1& data) {
    data_ = &data;
    for (Category c : kAllCategories) {
        grid(c)->bind(&data.query(c));
        urlEdit(c)->bind(&data.query(c));
    }
}

TDataModule1& TMainForm::data() const {
    Q_ASSERT_X(data_, "TMainForm", "a handler ran before bindData");
    return *data_;
}

Category TMainForm::currentCategory() const {
    // Exactly one page is visible, the current one, and every page is a category's.
    const QWidget* page = ui_->PageControl1->currentWidget();
    for (Category c : kAllCategories) {
        if (sheet(c) == page)
            return c;
    }
    throw Exception("No catalogue page is shown");
}

QString TMainForm::programDirectory() {
    return QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
}

void TMainForm::FormClose() {
    // The player page lives only as long as the program; a missing file is no error.
    QFile::remove(QDir(mainHtmlFolder(false)).filePath(QString::fromLatin1(kMainHtmlName)));
}

std::string TMainForm::currentUrl(Category c) const {
    return codec::toCp1251(urlEdit(c)->text());
}

void TMainForm::BitBtn1Click() {
    const Category c = currentCategory();
    if (!categoryInfo(c).hasDescription) {
        ui_->StaticText2->setText(codec::fromCp1251(std::string(description::kVKontakteNotice)));
        return;
    }
    platform::networkCommand([&] {
        std::string page;
        {
            platform::BusyCursor busy;
            page = IdHTTP.Get(currentUrl(c));
        }
        // The panel keeps text up to a NUL, as any window text does.
        ui_->StaticText2->setText(codec::fromCp1251(textUpToNul(describe(page))));
    });
}

void TMainForm::StartBitBtnClick() {
    const Category c = currentCategory();
    // No folder fit for the page is no connection failure: the error box says so.
    const QString directory = mainHtmlFolder(true);
    platform::networkCommand([&] {
        std::string pageText;
        {
            platform::BusyCursor busy;
            pageText = IdHTTP.Get(currentUrl(c));
        }
        PlayerPage built =
            buildPlayerPage(c, pageText, Memo5, codec::toCp1251(platform::siteBaseUrl()));
        pageText = std::string(); // the page may be large; it is not needed any more
        Memo1 = std::move(built.link);
        if (built.templateA)
            Memo3 = std::move(*built.templateA);
        if (built.templateA2)
            Memo4 = std::move(*built.templateA2);
        Memo2 = std::move(built.page);
        writeMainHtml(directory.toStdString(), Memo2);
        platform::shellExecute({this, QString(),
                                QDir(directory).filePath(QString::fromLatin1(kMainHtmlName)),
                                platform::SW_SHOW});
    });
}

void TMainForm::FindEditChange() {
    data().search(ui_->FindEdit->text());
}

void TMainForm::BitBtn2Click() {
    close();
}

void TMainForm::N6Click() {
    close();
}

bool TMainForm::event(QEvent* event) {
    // Only the first activation after start-up runs the handler; returning from a dialog or
    // from another program does not.
    if (event->type() == QEvent::WindowActivate && !activated_) {
        activated_ = true;
        QTimer::singleShot(0, this, platform::guard([this] { FormActivate(); }));
    }
    return QMainWindow::event(event);
}

void TMainForm::FormActivate() {
    activated_ = true;
    // A failure ends the handler here: a closed settings store, or a port that is no number.
    applyProxySettings(IdHTTP, readProxySettings(data().ProxyTable));
    if (ConfigForm && ConfigForm->autoCheck())
        activationCheck(IdHTTP, {&Memo5, &Edit1}, AboutForm ? AboutForm->versionText() : QString());
}

void TMainForm::N3Click() {
    if (ProxyForm)
        platform::showModalCentred(ProxyForm, this);
}

void TMainForm::N5Click() {
    if (AboutForm)
        platform::showModalCentred(AboutForm, this);
}

void TMainForm::N7Click() {
    onDemandCheck(IdHTTP, {&Memo5, &Edit1}, AboutForm ? AboutForm->versionText() : QString(), this);
}

void TMainForm::N8Click() {
    if (ConfigForm)
        platform::showModalCentred(ConfigForm, this);
}

void TMainForm::N9Click() {
    // Whatever the shell makes of a missing file is its business.
    platform::shellExecute({this, QString(),
                            QDir(programDirectory()).filePath(QStringLiteral("faq.chm")),
                            platform::SW_SHOW});
}

void TMainForm::closeEvent(QCloseEvent* event) {
    platform::guarded([this] { FormClose(); });
    event->accept();
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
    }
}

bool TMainForm::focusNextPrevChild(bool next) {
    QWidget* const grid = this->grid(currentCategory());
    QWidget* const order[] = {ui_->PageControl1->tabBar(),
                              grid,
                              ui_->FindEdit,
                              ui_->StartBitBtn,
                              ui_->BitBtn1,
                              ui_->BitBtn2};
    constexpr int n = static_cast<int>(std::size(order));
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < n && at < 0; ++i) {
        if (focus == order[i])
            at = i;
    }
    // A list on a page that is no longer shown holds the list's place.
    for (const DBGrid* g : grids_) {
        if (at < 0 && focus == g)
            at = 1;
    }
    if (at < 0)
        return QMainWindow::focusNextPrevChild(next);
    for (int step = 1; step < n; ++step) {
        QWidget* candidate = order[(at + (next ? step : n - step)) % n];
        if (candidate->isVisible() && candidate->isEnabled() &&
            (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}
