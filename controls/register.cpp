// Registration of the flat controls, the label and the page control.
#include "controls/register.h"

#include "controls/cvlabel.h"
#include "controls/cvpagecontrol.h"
#include "controls/flatcheckbox.h"
#include "controls/flatcombobox.h"
#include "controls/flatedit.h"
#include "controls/flatpanel.h"
#include "controls/flatspeedbutton.h"
#include "platform/classes/classreg.h"

void RegisterFlatControlsClasses() {
  RegisterClasses({TFlatEdit::StaticClass(), TFlatMemo::StaticClass(), TFlatMaskEdit::StaticClass(),
                   TFlatComboBox::StaticClass(), TFlatCheckBox::StaticClass(), TFlatRadioButton::StaticClass(),
                   TFlatSpeedButton::StaticClass(), TFlatPanel::StaticClass(), TCvLabel::StaticClass(),
                   TCvPageControl::StaticClass(), TCvTabSheet::StaticClass()});
}
