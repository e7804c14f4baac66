#include "controls/controlclasses.h"

#include "classlib/forms/classregistry.h"
#include "controls/comboboxpng.h"
#include "controls/extstringgrid.h"
#include "controls/gradientcheck.h"
#include "controls/pngcheckbox.h"
#include "controls/shadowlabel.h"
#include "controls/validateedit.h"
#include "controls/xpbutton.h"
#include "png/pngimagecollection.h"
#include "png/pngimagelist.h"

void RegisterControlClasses()
{
    RegisterClass<TXpButton>("TXpButton");
    RegisterClass<TGradientCheck>("TGradientCheck");
    RegisterClass<TShadowLabel>("TShadowLabel");
    RegisterClass<TComboBoxPng>("TComboBoxPng");
    RegisterClass<TPngCheckBox>("TPngCheckBox");
    RegisterClass<TValidateEdit>("TValidateEdit");
    RegisterClass<TExtStringGrid>("TExtStringGrid");
    RegisterClass<TPngImageList>("TPngImageList");
    RegisterClass<TPngImageCollection>("TPngImageCollection");
}
