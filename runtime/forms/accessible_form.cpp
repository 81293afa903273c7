#include "runtime/forms/accessible_form.h"

#include "runtime/forms/canvas.h"

#include <QAccessibleWidget>
#include <QPointer>

#include <algorithm>
#include <map>

namespace runtime {
namespace {

// A label as a static text. It has no object of its own: its container's
// interface makes it, registers it and deletes it.
class AccessibleLabel final : public QAccessibleInterface, public QAccessibleTextInterface {
public:
    AccessibleLabel(Canvas& container, const Label& label) : container_(&container), label_(label) {}

    bool isValid() const override { return !container_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return isValid() ? container_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(container_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = !isValid() || !container_->isVisible();
        state.readOnly = true;
        return state;
    }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name ? label_.shownCaption() : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        // As for widgets: nothing while the window is hidden.
        if (!isValid() || !container_->isVisible())
            return {};
        return {container_->mapToGlobal(label_.geometry().topLeft()), label_.geometry().size()};
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
    }

    // The text, read only and never selected.
    QString text(int start, int end) const override
    {
        return label_.shownCaption().mid(start, end < 0 ? -1 : end - start);
    }
    int characterCount() const override { return static_cast<int>(label_.shownCaption().size()); }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

private:
    QPointer<Canvas> container_;
    const Label& label_;
};

// A form (a frame) or a picture box (an image), with its child widgets and
// its labels as children. Empty labels show nothing, so they are left out.
class AccessibleCanvas final : public QAccessibleWidget {
public:
    explicit AccessibleCanvas(Canvas& canvas)
        : QAccessibleWidget(&canvas, canvas.isWindow() ? QAccessible::Window : QAccessible::Graphic)
    {
    }
    ~AccessibleCanvas() override
    {
        for (const auto& [label, id] : labelIds_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(children().size()); }
    QAccessibleInterface* child(int index) const override
    {
        const auto items = children();
        if (index < 0 || index >= static_cast<int>(items.size()))
            return nullptr;
        if (auto* const* widget = std::get_if<QWidget*>(&items[index]))
            return QAccessible::queryAccessibleInterface(*widget);
        return labelInterface(*std::get<const Label*>(items[index]));
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (this->child(i) == child)
                return i;
        return -1;
    }

private:
    Canvas& canvas() const { return static_cast<Canvas&>(*widget()); }

    std::vector<Canvas::Readable> children() const
    {
        auto items = canvas().readingOrder();
        std::erase_if(items, [](const Canvas::Readable& item) {
            if (auto* const* widget = std::get_if<QWidget*>(&item))
                return (*widget)->isWindow();
            return std::get<const Label*>(item)->shownCaption().isEmpty();
        });
        return items;
    }

    QAccessibleInterface* labelInterface(const Label& label) const
    {
        auto [at, made] = labelIds_.try_emplace(&label);
        if (made)
            at->second = QAccessible::registerAccessibleInterface(new AccessibleLabel(canvas(), label));
        return QAccessible::accessibleInterface(at->second);
    }

    mutable std::map<const Label*, QAccessible::Id> labelIds_;
};

// Our canvases declare no meta-object of their own, so Qt asks under QWidget.
QAccessibleInterface* canvasInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String("QWidget"))
        return nullptr;
    if (auto* canvas = dynamic_cast<Canvas*>(object))
        return new AccessibleCanvas(*canvas);
    return nullptr;
}

}  // namespace

void makeFormsAccessible()
{
    static const bool installed = (QAccessible::installFactory(canvasInterface), true);
    (void)installed;
}

}  // namespace runtime
