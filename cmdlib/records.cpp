#include "cmdlib/records.h"

#include "cmdlib/error_codes.h"

KORVAN_CMD_BEGIN

int ReadControllerSpec(ControllerHandle handle, ControllerSpecRecord& record)
{
    return VXC_GetSysSpecification(handle, record.data());
}

std::vector<ChildCardRecord> EnumerateModules(ControllerHandle handle)
{
    std::vector<ChildCardRecord> modules;
    uint16_t previous = kFirstModule;
    // At most one module per card number below 128.
    while (modules.size() < ChildCardRecord::kEndCardNumber) {
        ChildCardRecord card;
        if (VXC_EnumChildCard(handle, previous, card.data()) != 0 || card.isEnd())
            break;
        if (previous != kFirstModule && card.cardNumber() <= previous)
            break;
        previous = card.cardNumber();
        modules.push_back(card);
    }
    return modules;
}

int FindModule(ControllerHandle handle, int cardNumber, ChildCardRecord& record)
{
    if (cardNumber < 0 || cardNumber >= ChildCardRecord::kEndCardNumber)
        return kErrInvalidArgument;
    // Card 0 follows "-1", which the link knows as 65535, the start of the walk.
    const auto previous = static_cast<uint16_t>(cardNumber - 1);
    ChildCardRecord card;
    if (const int code = VXC_EnumChildCard(handle, previous, card.data()); code != 0)
        return code;
    if (card.cardNumber() != cardNumber)
        return kErrNotNumeric;
    record = card;
    return kOk;
}

KORVAN_CMD_END
