#include "sim/EdidBuilder.h"

#include <algorithm>

namespace korvexsim {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint8_t lo8(int v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

void setChecksum(std::uint8_t *block) {
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += block[i];
    block[127] = static_cast<std::uint8_t>((256 - (sum & 0xFF)) & 0xFF);
}

// Display descriptor of the given tag (0xFC name, 0xFD range limits) with its 13-byte text or data.
std::array<std::uint8_t, 18> displayDescriptor(std::uint8_t tag, const Bytes &data) {
    std::array<std::uint8_t, 18> d{};
    d[3] = tag;
    for (std::size_t i = 0; i < 13; ++i)
        d[5 + i] = i < data.size() ? data[i] : 0x20;
    return d;
}

Bytes textField(std::string_view text) {
    Bytes b(text.begin(), text.begin() + std::min<std::size_t>(text.size(), 13));
    if (b.size() < 13)
        b.push_back(0x0A);
    return b;
}

} // namespace

EdidBuilder &EdidBuilder::manufacturer(std::string_view pnpId) {
    m_pnpId = std::string(pnpId.substr(0, 3));
    return *this;
}

EdidBuilder &EdidBuilder::product(int code, std::uint32_t serial, int week, int year) {
    m_product = code;
    m_serial = serial;
    m_week = week;
    m_year = year;
    return *this;
}

EdidBuilder &EdidBuilder::screenSizeCm(int width, int height) {
    m_widthCm = width;
    m_heightCm = height;
    return *this;
}

EdidBuilder &EdidBuilder::preferred(const Timing &timing) {
    m_preferred = timing;
    return *this;
}

EdidBuilder &EdidBuilder::secondTiming(const Timing &timing) {
    m_second = timing;
    m_hasSecond = true;
    return *this;
}

EdidBuilder &EdidBuilder::rangeLimits(int vMin, int vMax, int hMinKHz, int hMaxKHz, int maxClockMHz) {
    m_vMin = vMin;
    m_vMax = vMax;
    m_hMin = hMinKHz;
    m_hMax = hMaxKHz;
    m_maxClock = maxClockMHz;
    return *this;
}

EdidBuilder &EdidBuilder::name(std::string_view text) {
    m_name = std::string(text);
    return *this;
}

EdidBuilder &EdidBuilder::ceaFlags(bool underscan, bool basicAudio, bool ycbcr444, bool ycbcr422) {
    m_ceaFlags = static_cast<std::uint8_t>((underscan ? 0x80 : 0) | (basicAudio ? 0x40 : 0) |
                                           (ycbcr444 ? 0x20 : 0) | (ycbcr422 ? 0x10 : 0));
    return *this;
}

EdidBuilder &EdidBuilder::svd(int vic, bool native) {
    m_svds.push_back(static_cast<std::uint8_t>((vic & 0x7F) | (native ? 0x80 : 0)));
    return *this;
}

EdidBuilder &EdidBuilder::audio(const AudioFormat &format) {
    m_audio.push_back(format);
    return *this;
}

EdidBuilder &EdidBuilder::hdmi(const Hdmi &vendor) {
    m_hdmi = vendor;
    return *this;
}

EdidBuilder &EdidBuilder::speakers(int allocation) {
    m_speakers = allocation;
    return *this;
}

EdidBuilder &EdidBuilder::y420CapabilityMap(std::vector<std::uint8_t> map) {
    m_y420Map = std::move(map);
    m_hasY420 = true;
    return *this;
}

EdidBuilder &EdidBuilder::extensionTiming(const Timing &timing) {
    m_extensionTimings.push_back(timing);
    return *this;
}

std::array<std::uint8_t, 18> EdidBuilder::descriptor(const Timing &t, int widthMm, int heightMm) {
    std::array<std::uint8_t, 18> d{};
    d[0] = lo8(t.pixelClock10kHz);
    d[1] = lo8(t.pixelClock10kHz >> 8);
    d[2] = lo8(t.hActive);
    d[3] = lo8(t.hBlank);
    d[4] = static_cast<std::uint8_t>(((t.hActive >> 8) & 0x0F) << 4 | ((t.hBlank >> 8) & 0x0F));
    d[5] = lo8(t.vActive);
    d[6] = lo8(t.vBlank);
    d[7] = static_cast<std::uint8_t>(((t.vActive >> 8) & 0x0F) << 4 | ((t.vBlank >> 8) & 0x0F));
    d[8] = lo8(t.hSyncOffset);
    d[9] = lo8(t.hSyncWidth);
    d[10] = static_cast<std::uint8_t>((t.vSyncOffset & 0x0F) << 4 | (t.vSyncWidth & 0x0F));
    d[11] = static_cast<std::uint8_t>(((t.hSyncOffset >> 8) & 3) << 6 | ((t.hSyncWidth >> 8) & 3) << 4 |
                                      ((t.vSyncOffset >> 4) & 3) << 2 | ((t.vSyncWidth >> 4) & 3));
    d[12] = lo8(widthMm);
    d[13] = lo8(heightMm);
    d[14] = static_cast<std::uint8_t>(((widthMm >> 8) & 0x0F) << 4 | ((heightMm >> 8) & 0x0F));
    // Digital separate sync, both polarities positive.
    d[17] = static_cast<std::uint8_t>(0x1E | (t.interlaced ? 0x80 : 0));
    return d;
}

std::array<std::uint8_t, 256> EdidBuilder::build() const {
    std::array<std::uint8_t, 256> e{};
    std::uint8_t *base = e.data();
    const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(header, header + 8, base);

    auto letter = [&](std::size_t i) { return i < m_pnpId.size() ? (m_pnpId[i] - 'A' + 1) & 0x1F : 0; };
    int id = letter(0) << 10 | letter(1) << 5 | letter(2);
    base[8] = lo8(id >> 8);
    base[9] = lo8(id);
    base[10] = lo8(m_product);
    base[11] = lo8(m_product >> 8);
    for (int i = 0; i < 4; ++i)
        base[12 + i] = lo8(static_cast<int>(m_serial >> (8 * i)));
    base[16] = lo8(m_week);
    base[17] = lo8(m_year - 1990);
    base[18] = 1;
    base[19] = 3;
    base[20] = 0x80; // digital input
    base[21] = lo8(m_widthCm);
    base[22] = lo8(m_heightCm);
    base[23] = 120;  // gamma 2.2
    base[24] = 0x0A; // RGB colour, preferred timing in the first descriptor
    const std::uint8_t chroma[10] = {0xEE, 0x91, 0xA3, 0x54, 0x4C, 0x99, 0x26, 0x0F, 0x50, 0x54};
    std::copy(chroma, chroma + 10, base + 25);
    base[35] = 0x21; // 640x480@60, 800x600@60
    base[36] = 0x08; // 1024x768@60
    base[37] = 0x00;
    const std::uint8_t standard[16] = {0xD1, 0xC0, 0x81, 0xC0, 0x81, 0x80, 0xB3, 0x00,
                                       0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01};
    std::copy(standard, standard + 16, base + 38);

    int wMm = m_widthCm * 10, hMm = m_heightCm * 10;
    auto put = [&](int offset, const std::array<std::uint8_t, 18> &d) {
        std::copy(d.begin(), d.end(), base + offset);
    };
    put(54, descriptor(m_preferred, wMm, hMm));
    int slot = 72;
    if (m_hasSecond) {
        put(slot, descriptor(m_second, wMm, hMm));
        slot += 18;
    }
    put(slot, displayDescriptor(0xFD, {lo8(m_vMin), lo8(m_vMax), lo8(m_hMin), lo8(m_hMax),
                                       lo8((m_maxClock + 9) / 10), 0x00, 0x0A}));
    slot += 18;
    put(slot, displayDescriptor(0xFC, textField(m_name)));
    slot += 18;
    if (slot < 126)
        put(slot, displayDescriptor(0xFF, textField(std::to_string(m_serial))));
    base[126] = 1;
    setChecksum(base);

    // CEA-861 extension: data block collection from offset 4, then detailed timings.
    std::uint8_t *ext = e.data() + 128;
    Bytes blocks;
    auto addBlock = [&](int tag, const Bytes &payload) {
        blocks.push_back(static_cast<std::uint8_t>(tag << 5 | (payload.size() & 0x1F)));
        blocks.insert(blocks.end(), payload.begin(), payload.end());
    };
    if (!m_svds.empty())
        addBlock(2, m_svds);
    if (!m_audio.empty()) {
        Bytes sads;
        for (const AudioFormat &a : m_audio) {
            sads.push_back(static_cast<std::uint8_t>((a.code & 0x0F) << 3 | ((a.channels - 1) & 7)));
            sads.push_back(lo8(a.rates & 0x7F));
            sads.push_back(lo8(a.third));
        }
        addBlock(1, sads);
    }
    {
        Bytes vsdb = {0x03,
                      0x0C,
                      0x00,
                      lo8(m_hdmi.physicalAddress >> 8),
                      lo8(m_hdmi.physicalAddress),
                      lo8(m_hdmi.deepColour),
                      lo8(m_hdmi.maxTmdsMHz / 5)};
        if (m_hdmi.threeD || !m_hdmi.hdmiVics.empty()) {
            vsdb.push_back(0x20); // HDMI video present, no latency fields
            vsdb.push_back(m_hdmi.threeD ? 0x80 : 0x00);
            vsdb.push_back(static_cast<std::uint8_t>((m_hdmi.hdmiVics.size() & 7) << 5));
            for (int vic : m_hdmi.hdmiVics)
                vsdb.push_back(lo8(vic));
        }
        addBlock(3, vsdb);
    }
    addBlock(4, {lo8(m_speakers), 0x00, 0x00});
    if (m_hasY420) {
        Bytes cmdb = {0x0F};
        cmdb.insert(cmdb.end(), m_y420Map.begin(), m_y420Map.end());
        addBlock(7, cmdb);
    }
    // The collection must leave room for the timings and the checksum; the catalogue stays small.
    std::size_t room = 127 - 4 - 18 * m_extensionTimings.size();
    if (blocks.size() > room)
        blocks.resize(room);
    ext[0] = 0x02;
    ext[1] = 0x03;
    ext[2] = lo8(static_cast<int>(4 + blocks.size()));
    ext[3] = static_cast<std::uint8_t>(m_ceaFlags | 1); // one native detailed timing
    std::copy(blocks.begin(), blocks.end(), ext + 4);
    int offset = ext[2];
    for (const Timing &t : m_extensionTimings) {
        auto d = descriptor(t, wMm, hMm);
        std::copy(d.begin(), d.end(), ext + offset);
        offset += 18;
    }
    setChecksum(ext);
    return e;
}

} // namespace korvexsim
