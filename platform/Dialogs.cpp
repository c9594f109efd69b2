#include "platform/Dialogs.h"

#include "platform/Guard.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScreen>

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
    // One-line labels size themselves to their text from where they stand, so that no
    // face draws them clipped.
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (!label->wordWrap() && label->pixmap().isNull())
            label->adjustSize();
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
