#pragma once

#include <QIcon>

// The agent's icon for the notification area and its windows: a small printer.
QIcon AppIcon();
