#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace quorvel {

void installQtItalian()
{
    // The catalogue belongs to the application, which outlives any one start of the program:
    // asked again, it keeps the one it has.
    const QString name = QStringLiteral("quorvel-qt-italian");
    QCoreApplication *app = QCoreApplication::instance();
    if (app->findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return;

    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QLocale(QLocale::Italian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
        qWarning("quorvel: testi italiani di Qt (qtbase_it.qm) non trovati in %s: i pulsanti "
                 "standard restano in inglese",
                 qPrintable(folder));
        return;
    }
    translator->setObjectName(name);
    translator->setParent(app);
    QCoreApplication::installTranslator(translator.release());
}

} // namespace quorvel
