#include "core/device.h"

#include "core/address_decoder.h"

namespace tarvok {

void TMemoryModule::Loaded() {
    if (addressDecoder_ != nullptr)
        addressDecoder_->RegisterMemModule(baseAddress_, numOfBytes_, this);
}

}  // namespace tarvok
