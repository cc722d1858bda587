// A modal dialog from a dialog template in the program's resources.
#pragma once

#include "framework/window/CWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the dialog, runs its modal loop until EndDialog, destroys the
    // window; the end code, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();

    // Called once the window and its controls exist; TRUE lets the dialog
    // manager place the focus.
    virtual BOOL OnInitDialog();

    void EndDialog(int result);

protected:
    // The dialog's OK and Cancel commands, unless a map entry takes them.
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;  // the template id
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND ModalOwner() const;

    // Set while Default() hands a message to the dialog manager, which
    // passes it to DialogProc first: that one call must not dispatch again.
    struct DefaultCall {
        bool pending = false;
        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    } m_defaultCall;
};
