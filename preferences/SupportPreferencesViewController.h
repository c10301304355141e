#pragma once

#include "PreferencesViewController.h"

class QLabel;

// Static texts on the maker's telephone support.
class SupportPreferencesViewController : public PreferencesViewController
{
    Q_OBJECT

public:
    explicit SupportPreferencesViewController(QWidget *parent = nullptr);

    // A paragraph, a blank line, a second line, then the caption followed by
    // the number with its international prefix.
    static QString composedSupportText();

    QLabel *lblLiveHelpAvailableCallus;
    QLabel *lblForHelpOnAnySystemRelated;
    QLabel *lblContactNo;
    QLabel *lblTollFree24x7;

protected:
    void viewDidLoad() override;
};
