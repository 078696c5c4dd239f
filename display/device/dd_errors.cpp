// Names and ordinals of the display result codes, for the rows of the trace.
#include "display/device/dd_errors.h"

#include <array>

namespace {

struct NamedCode {
    std::uint32_t code;
    const char* name;
};

constexpr std::uint32_t D(std::uint32_t code) { return MakeDisplayResult(code); }

// Every code the layer knows, in the alphabetical order of the names: an entry's position in
// this table, counted from 1, is the code's ordinal in trace rows.
constexpr std::array<NamedCode, 107> KNOWN_CODES{{
    {D(5), "DDERR_ALREADYINITIALIZED"},
    {D(574), "DDERR_BLTFASTCANTCLIP"},
    {D(10), "DDERR_CANNOTATTACHSURFACE"},
    {D(20), "DDERR_CANNOTDETACHSURFACE"},
    {D(585), "DDERR_CANTCREATEDC"},
    {D(583), "DDERR_CANTDUPLICATE"},
    {D(435), "DDERR_CANTLOCKSURFACE"},
    {D(640), "DDERR_CANTPAGELOCK"},
    {D(660), "DDERR_CANTPAGEUNLOCK"},
    {D(567), "DDERR_CLIPPERISUSINGHWND"},
    {D(400), "DDERR_COLORKEYNOTSET"},
    {D(40), "DDERR_CURRENTLYNOTAVAIL"},
    {D(620), "DDERR_DCALREADYCREATED"},
    {D(699), "DDERR_DEVICEDOESNTOWNSURFACE"},
    {D(562), "DDERR_DIRECTDRAWALREADYCREATED"},
    {D(55), "DDERR_EXCEPTION"},
    {D(581), "DDERR_EXCLUSIVEMODEALREADYSET"},
    {E_FAIL, "DDERR_GENERIC"},
    {D(90), "DDERR_HEIGHTALIGN"},
    {D(571), "DDERR_HWNDALREADYSET"},
    {D(570), "DDERR_HWNDSUBCLASSED"},
    {D(588), "DDERR_IMPLICITLYCREATED"},
    {D(95), "DDERR_INCOMPATIBLEPRIMARY"},
    {D(100), "DDERR_INVALIDCAPS"},
    {D(110), "DDERR_INVALIDCLIPLIST"},
    {D(561), "DDERR_INVALIDDIRECTDRAWGUID"},
    {D(120), "DDERR_INVALIDMODE"},
    {D(130), "DDERR_INVALIDOBJECT"},
    {E_INVALIDARG, "DDERR_INVALIDPARAMS"},
    {D(145), "DDERR_INVALIDPIXELFORMAT"},
    {D(579), "DDERR_INVALIDPOSITION"},
    {D(150), "DDERR_INVALIDRECT"},
    {D(592), "DDERR_INVALIDSURFACETYPE"},
    {D(160), "DDERR_LOCKEDSURFACES"},
    {D(690), "DDERR_MOREDATA"},
    {D(170), "DDERR_NO3D"},
    {D(180), "DDERR_NOALPHAHW"},
    {D(575), "DDERR_NOBLTHW"},
    {D(205), "DDERR_NOCLIPLIST"},
    {D(568), "DDERR_NOCLIPPERATTACHED"},
    {D(210), "DDERR_NOCOLORCONVHW"},
    {D(215), "DDERR_NOCOLORKEY"},
    {D(220), "DDERR_NOCOLORKEYHW"},
    {D(212), "DDERR_NOCOOPERATIVELEVELSET"},
    {D(586), "DDERR_NODC"},
    {D(576), "DDERR_NODDROPSHW"},
    {D(563), "DDERR_NODIRECTDRAWHW"},
    {D(222), "DDERR_NODIRECTDRAWSUPPORT"},
    {D(565), "DDERR_NOEMULATION"},
    {D(225), "DDERR_NOEXCLUSIVEMODE"},
    {D(230), "DDERR_NOFLIPHW"},
    {D(602), "DDERR_NOFOCUSWINDOW"},
    {D(240), "DDERR_NOGDI"},
    {D(569), "DDERR_NOHWND"},
    {D(591), "DDERR_NOMIPMAPHW"},
    {D(250), "DDERR_NOMIRRORHW"},
    {D(630), "DDERR_NONONLOCALVIDMEM"},
    {D(600), "DDERR_NOOPTIMIZEHW"},
    {D(578), "DDERR_NOOVERLAYDEST"},
    {D(260), "DDERR_NOOVERLAYHW"},
    {D(572), "DDERR_NOPALETTEATTACHED"},
    {D(573), "DDERR_NOPALETTEHW"},
    {D(280), "DDERR_NORASTEROPHW"},
    {D(290), "DDERR_NOROTATIONHW"},
    {D(310), "DDERR_NOSTRETCHHW"},
    {D(316), "DDERR_NOT4BITCOLOR"},
    {D(317), "DDERR_NOT4BITCOLORINDEX"},
    {D(320), "DDERR_NOT8BITCOLOR"},
    {D(580), "DDERR_NOTAOVERLAYSURFACE"},
    {D(330), "DDERR_NOTEXTUREHW"},
    {D(582), "DDERR_NOTFLIPPABLE"},
    {D(255), "DDERR_NOTFOUND"},
    {0x800401F0u, "DDERR_NOTINITIALIZED"},
    {D(601), "DDERR_NOTLOADED"},
    {D(584), "DDERR_NOTLOCKED"},
    {D(680), "DDERR_NOTPAGELOCKED"},
    {D(589), "DDERR_NOTPALETTIZED"},
    {D(335), "DDERR_NOVSYNCHW"},
    {D(340), "DDERR_NOZBUFFERHW"},
    {D(350), "DDERR_NOZOVERLAYHW"},
    {D(360), "DDERR_OUTOFCAPS"},
    {E_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
    {D(380), "DDERR_OUTOFVIDEOMEMORY"},
    {D(382), "DDERR_OVERLAYCANTCLIP"},
    {D(384), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    {D(577), "DDERR_OVERLAYNOTVISIBLE"},
    {D(387), "DDERR_PALETTEBUSY"},
    {D(564), "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {D(566), "DDERR_REGIONTOOSMALL"},
    {D(410), "DDERR_SURFACEALREADYATTACHED"},
    {D(420), "DDERR_SURFACEALREADYDEPENDENT"},
    {D(430), "DDERR_SURFACEBUSY"},
    {D(440), "DDERR_SURFACEISOBSCURED"},
    {D(450), "DDERR_SURFACELOST"},
    {D(460), "DDERR_SURFACENOTATTACHED"},
    {D(470), "DDERR_TOOBIGHEIGHT"},
    {D(480), "DDERR_TOOBIGSIZE"},
    {D(490), "DDERR_TOOBIGWIDTH"},
    {E_NOTIMPL, "DDERR_UNSUPPORTED"},
    {D(510), "DDERR_UNSUPPORTEDFORMAT"},
    {D(520), "DDERR_UNSUPPORTEDMASK"},
    {D(590), "DDERR_UNSUPPORTEDMODE"},
    {D(537), "DDERR_VERTICALBLANKINPROGRESS"},
    {D(695), "DDERR_VIDEONOTACTIVE"},
    {D(540), "DDERR_WASSTILLDRAWING"},
    {D(587), "DDERR_WRONGMODE"},
    {D(560), "DDERR_XALIGN"},
}};

// Position of the code in the table, from 0, or -1.
int FindCode(std::uint32_t code) {
    for (std::size_t i = 0; i < KNOWN_CODES.size(); ++i) {
        if (KNOWN_CODES[i].code == code) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

const char* DDErrorName(std::uint32_t code) {
    if (code == DD_OK) return "DD_OK";
    int index = FindCode(code);
    return index < 0 ? "Unknown Error" : KNOWN_CODES[index].name;
}

int DDErrorNumber(std::uint32_t code) {
    if (code == DD_OK) return 0;
    int index = FindCode(code);
    return index < 0 ? static_cast<int>(KNOWN_CODES.size()) + 1 : index + 1;
}
