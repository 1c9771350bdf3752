#include "app/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace quorvel {

bool installQtItalian(const QString &folder)
{
    // The catalogue belongs to the application, which outlives any one start of the program:
    // asked again, it keeps the one it has.
    const QString name = QStringLiteral("quorvel-qt-italian");
    QCoreApplication *app = QCoreApplication::instance();
    if (app->findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return true;

    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
        qWarning("quorvel: testi italiani di Qt (qtbase_it.qm) non trovati in %s: i pulsanti "
                 "standard restano in inglese",
                 qPrintable(folder));
        return false;
    }
    translator->setObjectName(name);
    translator->setParent(app);
    QCoreApplication::installTranslator(translator.release());
    return true;
}

} // namespace quorvel
