// The root of every class with a message map: the window classes and the
// application object.
#pragma once

#include "framework/window/MessageMap.h"

class CCmdTarget {
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Searches this object's map, then its bases' maps, each in its order,
    // and calls the first handler for the message (and, for WM_COMMAND, the
    // notification code and control id). False when none handles it.
    bool DispatchToMap(UINT message, UINT code, UINT id, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};
