// Message maps with the framework's macro names. An entry names the message,
// the notification code and control id range it answers, and a thunk that
// casts the target back to the class that wrote the entry and calls its
// handler: the handler's signature is checked where the entry is written, and
// no member pointer is ever reinterpreted.
#pragma once

#include "platform/win32.h"

class CCmdTarget;

// Menu and accelerator commands carry no notification code of their own.
constexpr UINT CN_COMMAND = 0;

using AFX_PMSG_THUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // 0 ends the map
    UINT nCode;     // notification code, for WM_COMMAND
    UINT nID;       // first control id, for WM_COMMAND
    UINT nLastID;   // last control id, for WM_COMMAND
    AFX_PMSG_THUNK pfnThunk;
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root of the chain
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx_internal {

template <class Target, auto Handler>
LRESULT CallVoid(CCmdTarget* target, WPARAM, LPARAM)
{
    (static_cast<Target*>(target)->*Handler)();
    return 0;
}

template <class Target, auto Handler>
LRESULT CallSysCommand(CCmdTarget* target, WPARAM wParam, LPARAM lParam)
{
    (static_cast<Target*>(target)->*Handler)(static_cast<UINT>(wParam), lParam);
    return 0;
}

template <class Target, auto Handler>
LRESULT CallQueryDragIcon(CCmdTarget* target, WPARAM, LPARAM)
{
    HCURSOR cursor = (static_cast<Target*>(target)->*Handler)();
    return reinterpret_cast<LRESULT>(cursor);
}

}  // namespace afx_internal

#define DECLARE_MESSAGE_MAP()                     \
protected:                                        \
    static const AFX_MSGMAP* GetThisMessageMap(); \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)        \
    const AFX_MSGMAP* theClass::GetMessageMap() const \
    {                                                 \
        return GetThisMessageMap();                   \
    }                                                 \
    const AFX_MSGMAP* theClass::GetThisMessageMap()   \
    {                                                 \
        using ThisClass [[maybe_unused]] = theClass;  \
        using TheBaseClass = baseClass;               \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {
#define END_MESSAGE_MAP()                                                                        \
    {                                                                                            \
        0, 0, 0, 0, nullptr                                                                      \
    }                                                                                            \
    }                                                                                            \
    ;                                                                                            \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
    return &messageMap;                                                                          \
    }

#define ON_COMMAND(id, memberFxn) {WM_COMMAND, CN_COMMAND, (id), (id), &afx_internal::CallVoid<ThisClass, memberFxn>},

#define ON_BN_CLICKED(id, memberFxn) \
    {WM_COMMAND, BN_CLICKED, (id), (id), &afx_internal::CallVoid<ThisClass, memberFxn>},

#define ON_EN_CHANGE(id, memberFxn) {WM_COMMAND, EN_CHANGE, (id), (id), &afx_internal::CallVoid<ThisClass, memberFxn>},

#define ON_WM_SYSCOMMAND() {WM_SYSCOMMAND, 0, 0, 0, &afx_internal::CallSysCommand<ThisClass, &ThisClass::OnSysCommand>},

#define ON_WM_PAINT() {WM_PAINT, 0, 0, 0, &afx_internal::CallVoid<ThisClass, &ThisClass::OnPaint>},

#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, 0, &afx_internal::CallQueryDragIcon<ThisClass, &ThisClass::OnQueryDragIcon>},
