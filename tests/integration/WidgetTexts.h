#pragma once

#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringList>

namespace scribeon::test {

// What a sighted user reads in a window: the visible labels, list rows and
// button captions.
inline QStringList visibleTexts(QWidget* root) {
    QStringList texts;
    for (QLabel* label : root->findChildren<QLabel*>())
        if (label->isVisibleTo(root) && !label->text().isEmpty())
            texts << label->text();
    for (QListView* list : root->findChildren<QListView*>())
        for (int row = 0; list->isVisibleTo(root) && row < list->model()->rowCount(); ++row)
            texts << list->model()->index(row, 0).data().toString();
    for (QPushButton* button : root->findChildren<QPushButton*>())
        if (button->isVisibleTo(root) && !button->text().isEmpty())
            texts << button->text();
    return texts;
}

// The first widget of its type shown under root that a screen reader names
// `text` (its accessible name, else its text), or null.
template <typename Widget = QPushButton> Widget* named(QWidget* root, const QString& text) {
    for (Widget* widget : root->findChildren<Widget*>()) {
        const QString name = widget->accessibleName();
        if (widget->isVisibleTo(root) && (name.isEmpty() ? widget->text() : name) == text)
            return widget;
    }
    return nullptr;
}

} // namespace scribeon::test
