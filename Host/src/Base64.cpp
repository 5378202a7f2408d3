#include "Base64.hpp"

#include <openssl/evp.h>

#include <limits>
#include <vector>

namespace VantrelSim {

std::string EncodeBase64(const API_DataBlock& data) {
    if (data.empty()) {
        return {};
    }
    if (data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 4 * 3)) {
        throw std::length_error("VantrelSim: data block too large for a project file");
    }
    std::string text(4 * ((data.size() + 2) / 3) + 1, '\0');
    const int written =
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()),
                        reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    text.resize(static_cast<std::size_t>(written));
    return text;
}

std::optional<API_DataBlock> DecodeBase64(std::string_view text) {
    if (text.empty()) {
        return API_DataBlock{};
    }
    // The decoder tolerates surrounding blanks and missing padding in ways a file format
    // should not, so the shape is checked here first.
    if (text.size() % 4 != 0 || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return std::nullopt;
    }
    std::size_t padding = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool alphabet = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                              c == '+' || c == '/';
        if (c == '=') {
            ++padding;
        } else if (!alphabet || padding > 0) {
            return std::nullopt;
        }
    }
    if (padding > 2) {
        return std::nullopt;
    }
    std::vector<unsigned char> bytes(text.size() / 4 * 3);
    const int decoded = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (decoded < 0 || static_cast<std::size_t>(decoded) < padding) {
        return std::nullopt;
    }
    // The decoder counts the padding as zero bytes.
    bytes.resize(static_cast<std::size_t>(decoded) - padding);
    API_DataBlock data(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        data[i] = static_cast<std::byte>(bytes[i]);
    }
    return data;
}

} // namespace VantrelSim
