#pragma once

#include <QRectF>

#include <optional>

class QWidget;

// Shows a dialog's view as an overlay inside the window of the screen that
// opens it: the view slides down from near the top edge while it fades in,
// then stays flush with the screen's view; dismissing fades it out while it
// collapses towards that edge, then takes it away.
//
// While dialogs are up, isCustomDialogShown is true (it counts the dialogs, so
// one dialog going away does not clear it while another is still up) and the
// user cannot close the window they are in (a close from code still works);
// closing comes back when the last of them has gone. A dismissed dialog is
// hidden and keeps its parent. Presenting a dialog again while it is still fading out
// cancels the fade, so the old animation never takes the new dialog away.
//
// A dialog takes the keyboard when it comes up (its default button, else its
// first control) and keeps Tab going round its own controls while it is on
// top; when it is dismissed the keyboard goes back to what had it before, or
// to the screen it covered.
//
// The animator keeps no reference to views between calls; the bookkeeping is
// shared by every animator of the process.
class CustomAnimator
{
public:
    CustomAnimator() = delete;
    // duration in seconds; rect is the creating screen's frame, whose x, width
    // and height give the dialog's starting frame.
    CustomAnimator(double duration, const QRectF &rect);

    double duration;
    QRectF rect;

    // Both return at once; the effect completes on the event loop.
    void animatePresentationOfViewController(QWidget *viewController, QWidget *fromViewController) const;
    void animateDismissalOfViewController(QWidget *viewController, QWidget *fromViewController) const;

    // A part of a dialog (a card over a see-through backdrop) that stays fully
    // drawn while the dialog fades in and out, so the screen under it never
    // shows through its text; the rest of the dialog fades.
    static void setOpaqueDuringFade(QWidget *part);

    // Dialogs up at this moment, counted over every animator.
    static int shownDialogCount();
    // False while a dialog is up in the window or still fading out of it.
    static bool isCloseButtonEnabled(const QWidget *window);
    // The opacity a view is drawn with: 1 unless an overlay fade is under way.
    static qreal alphaValue(const QWidget *view);
};

// The two shared animators: dialogs over the home screen, the results window
// and the preferences (customAnimator), and dialogs over the scan screen.
inline std::optional<CustomAnimator> customAnimator;
inline std::optional<CustomAnimator> scanCustomAnimator;
