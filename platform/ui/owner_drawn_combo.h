#pragma once
// A combo box whose open list draws its items itself. The list is a window of its own with a
// view inside, far dearer to make than the box; most such boxes are never opened in a run, so
// the drawing delegate is handed to the list only as it first opens.
#include <QAbstractItemDelegate>
#include <QComboBox>

class TOwnerDrawnCombo : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        if (!delegateSet_) {
            delegateSet_ = true;
            setItemDelegate(MakeItemDelegate());
        }
        QComboBox::showPopup();
    }

protected:
    // The delegate that paints and sizes the list's items, parented to the box.
    virtual QAbstractItemDelegate* MakeItemDelegate() = 0;

private:
    bool delegateSet_ = false;
};
