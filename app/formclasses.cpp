#include "app/formclasses.h"

#include "app/commportcomponent.h"
#include "classlib/forms/standardclasses.h"
#include "controls/controlclasses.h"

void RegisterFormClasses()
{
    RegisterStandardClasses();
    RegisterControlClasses();
    TCommPortComponent::Register();
}
