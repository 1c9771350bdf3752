#include "app/accessible.h"

#include "app/abacus.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace quorvel::accessible {

namespace {

const char *const CaptionProperty = "quorvelAccessibleCaption";
const char *const HidingProperty = "quorvelHidesHiddenChildren";
const char *const AbacusReadingName = "abacusReading";

// The name follows the label's text, with the caption in front. Without a description of its
// own, the label's whole text is its description: the verdict is wider than its box.
class CaptionedLabel : public QAccessibleWidget
{
public:
    CaptionedLabel(QLabel *label, const QString &caption)
        : QAccessibleWidget(label, QAccessible::StaticText)
        , m_caption(caption)
    { }

    QString text(QAccessible::Text t) const override
    {
        const QString shown = static_cast<const QLabel *>(widget())->text();
        if (t == QAccessible::Name)
            return shown.isEmpty() ? m_caption : m_caption + QStringLiteral(": ") + shown;
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return shown;
        return QAccessibleWidget::text(t);
    }

private:
    QString m_caption;
};

// A widget whose hidden children stay out of the tree: hidden, Qt would still list them, text
// and all, to any assistive tool that asks.
class ShownChildrenOnly : public QAccessibleWidget
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> children = shown();
        return index >= 0 && index < children.size()
            ? QAccessible::queryAccessibleInterface(children.at(index))
            : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(shown().indexOf(child->object())) : -1;
    }

private:
    QList<QWidget *> shown() const
    {
        QList<QWidget *> children;
        for (QObject *object : widget()->children()) {
            auto *w = qobject_cast<QWidget *>(object);
            if (w && !w->isWindow() && !w->isHidden())
                children.append(w);
        }
        return children;
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (label && className == QLatin1String("QLabel")) {
        const QString caption = label->property(CaptionProperty).toString();
        return caption.isEmpty() ? nullptr : new CaptionedLabel(label, caption);
    }
    auto *widget = qobject_cast<QWidget *>(object);
    if (widget && widget->objectName() == QLatin1String(AbacusReadingName)
        && className == QLatin1String("QWidget"))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    if (widget && widget->property(HidingProperty).toBool()
        && className == QLatin1String(widget->metaObject()->className()))
        return new ShownChildrenOnly(widget);
    return nullptr;
}

void installFactory()
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
}

} // namespace

void setCaption(QLabel *label, const char *caption, const char *description)
{
    installFactory();
    label->setProperty(CaptionProperty, QString::fromUtf8(caption));
    if (description)
        label->setAccessibleDescription(QString::fromUtf8(description));
}

void hideHiddenChildren(QWidget *client)
{
    installFactory();
    client->setProperty(HidingProperty, true);
}

QWidget *abacusReading(QWidget *client)
{
    // Draws nothing and lets every click through to the window: only assistive tools see it.
    installFactory();
    auto *reading = new QWidget(client);
    reading->setObjectName(QLatin1String(AbacusReadingName));
    reading->setAttribute(Qt::WA_TransparentForMouseEvents);
    reading->setAttribute(Qt::WA_NoSystemBackground);
    reading->setFocusPolicy(Qt::NoFocus);
    reading->lower();
    return reading;
}

QString beadCounts(const Abacus &abacus)
{
    using Rod = Abacus::Rod;
    return QStringLiteral("migliaia %1, centinaia %2, decine %3, unità %4")
        .arg(abacus.digit(Rod::Thousands))
        .arg(abacus.digit(Rod::Hundreds))
        .arg(abacus.digit(Rod::Tens))
        .arg(abacus.digit(Rod::Units));
}

void focusSaying(QWidget *target, const QString &text)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    target->setFocus();
    QAccessibleAnnouncementEvent announcement(target, text);
    QAccessible::updateAccessibility(&announcement);
#else
    target->setAccessibleDescription(text);
    target->setFocus();
#endif
}

} // namespace quorvel::accessible
