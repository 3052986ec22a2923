#pragma once

// libqv_dnd.so is built with hidden symbols; this marks its interface.
#define QV_DND_EXPORT __attribute__((visibility("default")))
