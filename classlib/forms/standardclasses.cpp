#include "classlib/standardclasses.h"

#include "classlib/bevel.h"
#include "classlib/button.h"
#include "classlib/classregistry.h"
#include "classlib/combobox.h"
#include "classlib/datetimepicker.h"
#include "classlib/edit.h"
#include "classlib/form.h"
#include "classlib/image.h"
#include "classlib/label.h"
#include "classlib/memo.h"
#include "classlib/panel.h"
#include "classlib/progressbar.h"
#include "classlib/statusbar.h"
#include "classlib/timer.h"

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
