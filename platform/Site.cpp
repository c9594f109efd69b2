#include "platform/Site.h"

#include <QByteArray>

namespace platform {

QString siteBaseUrl() {
    const QByteArray overridden = qgetenv("ZANTREL_SITE_URL");
    QString base = overridden.isEmpty() ? QStringLiteral(ZANTREL_DEFAULT_SITE_URL)
                                        : QString::fromLocal8Bit(overridden);
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}

} // namespace platform
