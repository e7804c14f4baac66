#include "classlib/forms/standardclasses.h"

#include "classlib/widgets/bevel.h"
#include "classlib/widgets/button.h"
#include "classlib/forms/classregistry.h"
#include "classlib/widgets/combobox.h"
#include "classlib/widgets/datetimepicker.h"
#include "classlib/widgets/edit.h"
#include "classlib/widgets/form.h"
#include "classlib/widgets/image.h"
#include "classlib/widgets/label.h"
#include "classlib/widgets/memo.h"
#include "classlib/widgets/panel.h"
#include "classlib/widgets/progressbar.h"
#include "classlib/widgets/statusbar.h"
#include "classlib/widgets/timer.h"

void RegisterStandardClasses()
{
    RegisterClass<TForm>("TForm");
    RegisterClass<TPanel>("TPanel");
    RegisterClass<TLabel>("TLabel");
    RegisterClass<TImage>("TImage");
    RegisterClass<TBevel>("TBevel");
    RegisterClass<TButton>("TButton");
    RegisterClass<TComboBox>("TComboBox");
    RegisterClass<TEdit>("TEdit");
    RegisterClass<TMemo>("TMemo");
    RegisterClass<TDateTimePicker>("TDateTimePicker");
    RegisterClass<TProgressBar>("TProgressBar");
    RegisterClass<TStatusBar>("TStatusBar");
    RegisterClass<TTimer>("TTimer");
}
