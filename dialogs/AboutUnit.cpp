#include "dialogs/AboutUnit.h"

#include "catalogue/DataModule.h"
#include "dialogs/JpegImage.h"
#include "platform/Dialogs.h"
#include "platform/Guard.h"
#include "platform/Shell.h"
#include "platform/Site.h"
#include "platform/core/Version.h"
#include "ui_AboutUnit.h"

#include <QFile>
#include <QLabel>
#include <QMouseEvent>

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(TDataModule1& data, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::AboutForm>()), data_(data) {
    ui_->setupUi(this);
    // The texts first: setting up the dialog fits the labels to them.
    ui_->Label3->setText(QString::fromLatin1(kVersionText));
    ui_->Label5->setText(platform::siteBaseUrl().section(QStringLiteral("://"), 1));
    platform::setUpFixedDialog(this, QStringLiteral("О программе"), QSize(442, 101),
                               platform::Border::MenuOnly);

    QFile picture(QStringLiteral(":/about.jpg"));
    if (picture.open(QIODevice::ReadOnly)) {
        const QImage image = decodeJpeg(picture.readAll());
        ui_->Image1->setPixmap(QPixmap::fromImage(image));
        if (!image.isNull())
            ui_->Image1->resize(image.size());
    }

    // The white title, and over it the blue shadow one pixel right and down.
    QPalette white = ui_->Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    ui_->Label1->setPalette(white);
    QPalette shadow = ui_->Label2->palette();
    shadow.setColor(QPalette::WindowText, QColor(0, 128, 255));
    ui_->Label2->setPalette(shadow);
    ui_->Label2->setAttribute(Qt::WA_TranslucentBackground);
    ui_->Label2->raise();

    QPalette blue = ui_->Label5->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    ui_->Label5->setPalette(blue);
    ui_->Label5->installEventFilter(this);

    connect(&data_.UpdateTable, &CatalogueDateTable::dataChanged, this, &TAboutForm::refreshDate);
    refreshDate();
}

TAboutForm::~TAboutForm() = default;

QString TAboutForm::versionText() const {
    return ui_->Label3->text();
}

void TAboutForm::refreshDate() {
    ui_->DBText1->setText(data_.updateDateText());
    layOutDateLine();
}

void TAboutForm::layOutDateLine() {
    constexpr int labelLeft = 150, dateLeft = 325, gap = 6, edge = 8;
    QLabel* label = ui_->Label4;
    QLabel* date = ui_->DBText1;
    const int dateWidth = qMax(65, date->sizeHint().width());
    int x = labelLeft;
    int dateX = qMax(dateLeft, x + label->width() + gap);
    const int overflow = dateX + dateWidth - (width() - edge);
    if (overflow > 0) {
        const int shift = qMax(0, qMin(overflow, x - (ui_->Image1->geometry().right() + 1 + gap)));
        x -= shift;
        dateX -= shift;
    }
    label->move(x, label->y());
    date->setGeometry(dateX, date->y(), qMax(65, width() - dateX),
                      qMax(17, date->sizeHint().height()));
}

void TAboutForm::showEvent(QShowEvent* event) {
    refreshDate();
    QDialog::showEvent(event);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Label5 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        platform::guarded([this] { Label5Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutForm::Label5Click() {
    platform::shellExecute(
        {window(), QStringLiteral("open"), platform::siteHomeUrl(), platform::SW_SHOWNORMAL});
}
