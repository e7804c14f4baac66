#include "app/commportcomponent.h"

#include "classlib/forms/classregistry.h"

#include <algorithm>

TCommPortComponent::TCommPortComponent(QObject* owner) : QObject(owner)
{
    port_.OnCTSSignal = [this](TCommPort*) { emit OnCTSSignal(this); };
    port_.OnDCDSignal = [this](TCommPort*) { emit OnDCDSignal(this); };
    port_.OnDSRSignal = [this](TCommPort*) { emit OnDSRSignal(this); };
    port_.OnRxDSignal = [this](TCommPort*) { emit OnRxDSignal(this); };
    port_.OnTxDSignal = [this](TCommPort*) { emit OnTxDSignal(this); };
    port_.OnRingSignal = [this](TCommPort*) { emit OnRingSignal(this); };
    port_.OnBreakSignal = [this](TCommPort*) { emit OnBreakSignal(this); };
    port_.OnRxEventSignal = [this](TCommPort*) { emit OnRxEventSignal(this); };
    port_.OnErrorSignal = [this](TCommPort*, std::int32_t error) { emit OnErrorSignal(this, error); };
    port_.OnDataReceived = [this](TCommPort*, std::uint32_t count) { emit OnDataReceived(this, count); };
    port_.OnOpen = [this](TCommPort*, std::int32_t error) { emit OnOpen(this, error); };
    port_.OnClose = [this](TCommPort*) { emit OnClose(this); };
}

void TCommPortComponent::Register()
{
    RegisterClass<TCommPortComponent>("TCommPort");
}

void TCommPortComponent::SetOpen(bool value)
{
    if (IsLoading())
        openWhenLoaded_ = value;
    else
        port_.SetOpen(value);
}

void TCommPortComponent::Loaded()
{
    TLoadable::Loaded();
    if (openWhenLoaded_)
        port_.SetOpen(true);
    openWhenLoaded_ = false;
}

std::uint16_t TCommPortComponent::XoffLim() const
{
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(port_.XoffLim(), port_.InSize()));
}
