#include "core/device.h"

#include "core/address_decoder.h"

namespace tarvok {

void Device::Install() {
    if (decoder_ != nullptr) decoder_->Map(baseAddress_, size_, this);
}

}  // namespace tarvok
