#include "platform/Dialogs.h"

#include "platform/Guard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>

namespace platform {

QColor formBackground() {
    return QColor(166, 202, 240);
}

QFont formFont() {
    return QFont(QStringLiteral("MS Sans Serif"), 8);
}

void applyFormLook(QWidget* window) {
    QPalette sky = window->palette();
    sky.setColor(QPalette::Window, formBackground());
    window->setPalette(sky);
    window->setAutoFillBackground(true);
    window->setFont(formFont());
}

void setUpFixedDialog(QDialog* dialog, const QString& caption, const QSize& clientSize,
                      Border border) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::MSWindowsFixedSizeDialogHint;
    if (border != Border::Bare)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (border == Border::MenuAndMinimise)
        flags |= Qt::WindowMinimizeButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setWindowTitle(caption);
    dialog->setModal(true);
    dialog->setFixedSize(clientSize);
    applyFormLook(dialog);
    fitTextControls(dialog);
    nameControls(dialog);
}

void fitTextControls(QWidget* window) {
    constexpr int edge = 8; // the least room left at the window's right edge
    QList<QWidget*> controls;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty() && label->pixmap().isNull())
            controls.append(label);
    for (QCheckBox* box : window->findChildren<QCheckBox*>())
        controls.append(box);
    for (QWidget* control : controls) {
        const auto* label = qobject_cast<QLabel*>(control);
        QRect place = control->geometry();
        if (label && label->wordWrap()) {
            place.setHeight(qMax(place.height(), label->heightForWidth(place.width())));
        } else {
            // A check box keeps its laid-out height while its text's line fits there: its
            // size hint adds margins around the indicator.
            const QSize needed = control->sizeHint();
            const int height = label ? needed.height() : control->fontMetrics().height();
            place.setHeight(qMax(place.height(), height));
            const int right = control->parentWidget()->width() - edge;
            if (needed.width() > place.width()) {
                place.setWidth(needed.width());
                if (place.right() > right)
                    place.moveLeft(qMax(edge, right - place.width() + 1));
            }
        }
        control->setGeometry(place);
    }
}

namespace {

// A caption as it reads: "&&" is one ampersand, any other "&" marks the access key and is
// not read; blanks that pad the caption are not read either.
QString readCaption(const QString& caption) {
    QString read;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        read += caption[i];
    }
    return read.simplified();
}

} // namespace

void nameControls(QWidget* window) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->accessibleName().isEmpty() && !button->text().isEmpty())
            button->setAccessibleName(readCaption(button->text()));
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            for (QWidget* control : tabs->widget(i)->findChildren<QWidget*>())
                if (control->focusPolicy() != Qt::NoFocus && control->accessibleName().isEmpty())
                    control->setAccessibleName(readCaption(tabs->tabText(i)));
}

void connectCloseButtons(QDialog* dialog, QAbstractButton* ok, QAbstractButton* cancel,
                         std::function<void()> handler) {
    QObject::connect(ok, &QAbstractButton::clicked, dialog, [dialog, handler] {
        dialog->setResult(QDialog::Accepted);
        guarded(handler);
        dialog->accept();
    });
    QObject::connect(cancel, &QAbstractButton::clicked, dialog, &QDialog::reject);
}

int showModalCentred(QDialog* dialog, QWidget* owner) {
    const QRect area = owner ? owner->frameGeometry()
                             : (dialog->screen() ? dialog->screen()->availableGeometry() : QRect());
    if (area.isValid())
        dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
    return dialog->exec();
}

} // namespace platform
