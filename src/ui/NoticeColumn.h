#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

// The notices on screen, stacked upwards from the bottom-left corner of the screen's work area in
// the order they appeared. Both notice managers share one column so their notices never overlap.
class NoticeColumn : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void Add(QWidget* notice);
    void Remove(QWidget* notice);

private:
    void Layout();

    std::vector<QPointer<QWidget>> m_notices;
};
