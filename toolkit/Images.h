#pragma once

#include <QHash>
#include <QIcon>
#include <vector>

namespace quorvel::ui {

// The tree's images by key: "quorvel" (the archive), "closeF" and "openF".
QHash<QString, QIcon> treeImageList();
// The list header's images by position: 1 "up", 2 "down", 3 "clip".
std::vector<QIcon> headerImageList();

}  // namespace quorvel::ui
