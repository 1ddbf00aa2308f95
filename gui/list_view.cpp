#include "gui/list_view.h"

#include <QSignalBlocker>

#include "gui/fonts.h"
#include "gui/model_geometry.h"
#include "gui/widget_sync.h"

namespace gui {

ListView::ListView(app::Control& control, ControlEvents& events, QWidget& window)
    : QListWidget(&window), control_(control), events_(events) {
    setObjectName(WidgetName(control));
    setFont(ControlFont(control.TextFont));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setLayoutMode(QListView::Batched);  // a list of thousands is laid out between other events
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) { userSelected(row); });
}

void ListView::refreshFromModel() {
    PlaceAt(*this, WindowRect(control_));
    const QSignalBlocker quiet(this);  // the model's own changes are no user selection
    showEntries();
    const int row = control_.HasSelection() ? control_.ListIndex : -1;
    if (currentRow() != row) {
        setCurrentRow(row);
    }
}

void ListView::showEntries() {
    const auto& entries = control_.List;
    while (count() > static_cast<int>(entries.size())) {
        delete takeItem(count() - 1);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const QString text = QString::fromStdString(entries[i]);
        const int row = static_cast<int>(i);
        if (row >= count()) {
            addItem(text);
        } else if (item(row)->text() != text) {
            item(row)->setText(text);
        }
    }
}

void ListView::userSelected(int row) {
    control_.ListIndex = row;
    if (control_.Kind == app::ControlKind::FileListBox) {
        control_.FileName = control_.Text();
    }
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    events_.doubleClick(control_);
}

}  // namespace gui
