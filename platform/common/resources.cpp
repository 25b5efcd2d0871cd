// Implements the lookups of platform/resources.h for every backend.
#include "platform/resources.h"

#include "platform/text.h"

int LoadStringW(HINSTANCE instance, UINT id, WCHAR* buffer, int capacity) {
    if (capacity <= 0) return 0;
    buffer[0] = 0;
    if (instance == nullptr) return 0;
    for (int i = 0; i < instance->stringCount; ++i) {
        if (instance->strings[i].id == id) {
            WCopy(buffer, instance->strings[i].text, capacity);
            return WLen(buffer);
        }
    }
    return 0;
}

const DialogTemplate* FindDialogTemplate(HINSTANCE instance, int id) {
    if (instance == nullptr) return nullptr;
    for (int i = 0; i < instance->dialogCount; ++i)
        if (instance->dialogs[i].id == id) return &instance->dialogs[i];
    return nullptr;
}

const IconResource* FindIconResource(HINSTANCE instance, int id) {
    if (instance == nullptr) return nullptr;
    for (int i = 0; i < instance->iconCount; ++i)
        if (instance->icons[i].id == id) return &instance->icons[i];
    return nullptr;
}
