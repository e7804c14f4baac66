#include "controls/controlclasses.h"

#include "classlib/classregistry.h"
#include "controls/comboboxpng.h"
#include "controls/gradientcheck.h"
#include "controls/shadowlabel.h"
#include "controls/xpbutton.h"
#include "png/pngimagelist.h"

void RegisterControlClasses()
{
    RegisterClass<TXpButton>("TXpButton");
    RegisterClass<TGradientCheck>("TGradientCheck");
    RegisterClass<TShadowLabel>("TShadowLabel");
    RegisterClass<TComboBoxPng>("TComboBoxPng");
    RegisterClass<TPngImageList>("TPngImageList");
}
