// The format table. Rows 0..51 are images, 52..53 other formats (Flash,
// fonts), 54..58 video, 59..67 audio. Registered extensions are listed
// explicitly, not parsed from the shown text: IFF also registers lbm, RAS sun
// and SGI rgb although the page does not show them.
#include "core/format_table.h"

#include "core/install_options.h"

namespace {

const RegisteredExtension kANI[] = {{"ani", "ani"}};
const RegisteredExtension kB3D[] = {{"b3d", "b3d"}};
const RegisteredExtension kBMPDIB[] = {{"bmp", "bmp"}, {"dib", "bmp"}};
const RegisteredExtension kCAM[] = {{"cam", "cam"}};
const RegisteredExtension kCLP[] = {{"clp", "clp"}};
const RegisteredExtension kCRWCR2[] = {{"crw", "crw"}, {"cr2", "cr2"}};
const RegisteredExtension kCUR[] = {{"cur", "cur"}};
const RegisteredExtension kDCMACRIMA[] = {{"dcm", "dcm"}, {"acr", "dcm"}, {"ima", "dcm"}};
const RegisteredExtension kDCX[] = {{"dcx", "dcx"}};
const RegisteredExtension kDDS[] = {{"dds", "dds"}};
const RegisteredExtension kDJVUIW44[] = {{"djvu", "djvu"}, {"iw44", "djvu"}};
const RegisteredExtension kDXF[] = {{"dxf", "dxf"}};
const RegisteredExtension kECW[] = {{"ecw", "ecw"}};
const RegisteredExtension kEMF[] = {{"emf", "emf"}};
const RegisteredExtension kEPSPS[] = {{"eps", "eps"}, {"ps", "eps"}};
const RegisteredExtension kEXR[] = {{"exr", "exr"}};
const RegisteredExtension kFPX[] = {{"fpx", "fpx"}};
const RegisteredExtension kG3[] = {{"g3", "g3"}};
const RegisteredExtension kGIF[] = {{"gif", "gif"}};
const RegisteredExtension kHDPJXRWDP[] = {{"hdp", "hdp"}, {"jxr", "hdp"}, {"wdp", "hdp"}};
const RegisteredExtension kICL[] = {{"icl", "icl"}};
const RegisteredExtension kICO[] = {{"ico", "ico"}};
const RegisteredExtension kIFF[] = {{"iff", "iff"}, {"lbm", "iff"}};
const RegisteredExtension kIMG[] = {{"img", "img"}};
const RegisteredExtension kJLS[] = {{"jls", "jls"}};
const RegisteredExtension kJP2JPCJ2K[] = {{"jp2", "jp2"}, {"jpc", "jp2"}, {"j2k", "jp2"}};
const RegisteredExtension kJPGJPEGJPE[] = {{"jpg", "jpg"}, {"jpeg", "jpg"}, {"jpe", "jpg"}};
const RegisteredExtension kJPM[] = {{"jpm", "jpm"}};
const RegisteredExtension kKDC[] = {{"kdc", "kdc"}};
const RegisteredExtension kMNGJNG[] = {{"mng", "mng"}, {"jng", "jng"}};
const RegisteredExtension kPBM[] = {{"pbm", "pbm"}};
const RegisteredExtension kPCD[] = {{"pcd", "pcd"}};
const RegisteredExtension kPCX[] = {{"pcx", "pcx"}};
const RegisteredExtension kPGM[] = {{"pgm", "pgm"}};
const RegisteredExtension kPNG[] = {{"png", "png"}};
const RegisteredExtension kPPM[] = {{"ppm", "ppm"}};
const RegisteredExtension kPSD[] = {{"psd", "psd"}};
const RegisteredExtension kPSP[] = {{"psp", "psp"}};
const RegisteredExtension kRAS[] = {{"ras", "ras"}, {"sun", "ras"}};
const RegisteredExtension kRAW[] = {{"raw", "raw"}};
const RegisteredExtension kRLE[] = {{"rle", "rle"}};
const RegisteredExtension kSFF[] = {{"sff", "sff"}};
const RegisteredExtension kSFW[] = {{"sfw", "sfw"}};
const RegisteredExtension kSGI[] = {{"sgi", "sgi"}, {"rgb", "sgi"}};
const RegisteredExtension kSID[] = {{"sid", "sid"}};
const RegisteredExtension kTGA[] = {{"tga", "tga"}};
const RegisteredExtension kTIFTIFF[] = {{"tif", "tif"}, {"tiff", "tif"}};
const RegisteredExtension kWBMP[] = {{"wbmp", "wbmp"}};
const RegisteredExtension kWEBP[] = {{"webp", "webp"}};
const RegisteredExtension kWMF[] = {{"wmf", "wmf"}};
const RegisteredExtension kXBM[] = {{"xbm", "xbm"}};
const RegisteredExtension kXPM[] = {{"xpm", "xpm"}};
const RegisteredExtension kSWFFLV[] = {{"swf", "swf"}, {"flv", "flv"}};
const RegisteredExtension kTTF[] = {{"ttf", "ttf"}};
const RegisteredExtension kASF[] = {{"asf", "asf"}};
const RegisteredExtension kAVI[] = {{"avi", "avi"}};
const RegisteredExtension kMPGMPEMPEG[] = {{"mpg", "mpg"}, {"mpe", "mpe"}, {"mpeg", "mpg"}};
const RegisteredExtension kMOV[] = {{"mov", "mov"}};
const RegisteredExtension kWMV[] = {{"wmv", "wmv"}};
const RegisteredExtension kAIF[] = {{"aif", "aif"}};
const RegisteredExtension kMIDRMI[] = {{"mid", "mid"}, {"rmi", "rmi"}};
const RegisteredExtension kMED[] = {{"med", "med"}};
const RegisteredExtension kMP3[] = {{"mp3", "mp3"}};
const RegisteredExtension kOGG[] = {{"ogg", "ogg"}};
const RegisteredExtension kRA[] = {{"ra", "ra"}};
const RegisteredExtension kAUSND[] = {{"au", "au"}, {"snd", "au"}};
const RegisteredExtension kWAV[] = {{"wav", "wav"}};
const RegisteredExtension kWMA[] = {{"wma", "wma"}};

template <int N>
constexpr int Count(const RegisteredExtension (&)[N]) { return N; }

const FormatRow kRows[] = {
    {"ANI", "Animated Windows Cursors", kANI, Count(kANI), FormatIcon::Own},
    {"B3D", "BodyPaint 3D Format *", kB3D, Count(kB3D), FormatIcon::Program0},
    {"BMP/DIB", "Windows Bitmap", kBMPDIB, Count(kBMPDIB), FormatIcon::Program0},
    {"CAM", "Casio Camera Format (JPG only) *", kCAM, Count(kCAM), FormatIcon::Program0},
    {"CLP", "Windows Clipboard", kCLP, Count(kCLP), FormatIcon::Program0},
    {"CRW/CR2", "Canon RAW Format *", kCRWCR2, Count(kCRWCR2), FormatIcon::Program0},
    {"CUR", "Windows Cursor", kCUR, Count(kCUR), FormatIcon::Own},
    {"DCM/ACR/IMA", "DICOM Format *", kDCMACRIMA, Count(kDCMACRIMA), FormatIcon::Program0},
    {"DCX", "Multipage Zsoft Paintbrush", kDCX, Count(kDCX), FormatIcon::Program0},
    {"DDS", "Direct Draw Surface *", kDDS, Count(kDDS), FormatIcon::Program0},
    {"DJVU/IW44", "DjVu Format *", kDJVUIW44, Count(kDJVUIW44), FormatIcon::Program0},
    {"DXF", "Drawing Interchange Format *", kDXF, Count(kDXF), FormatIcon::Program0},
    {"ECW", "Enhanced Compressed Wavelet *", kECW, Count(kECW), FormatIcon::Program0},
    {"EMF", "Enhanced Windows Metafile", kEMF, Count(kEMF), FormatIcon::Program0},
    {"EPS/PS", "PostScript Format *", kEPSPS, Count(kEPSPS), FormatIcon::Program0},
    {"EXR", "EXR Format *", kEXR, Count(kEXR), FormatIcon::Program0},
    {"FPX", "FlashPix Format *", kFPX, Count(kFPX), FormatIcon::Program0},
    {"G3", "G3 FAX Format *", kG3, Count(kG3), FormatIcon::Program0},
    {"GIF", "Compuserve GIF", kGIF, Count(kGIF), FormatIcon::Program0},
    {"HDP/JXR/WDP", "JPEG-XR/HD-Photo Format *", kHDPJXRWDP, Count(kHDPJXRWDP), FormatIcon::Program0},
    {"ICL", "Windows Icon Library", kICL, Count(kICL), FormatIcon::Own},
    {"ICO", "Windows Icon", kICO, Count(kICO), FormatIcon::Own},
    {"IFF", "Amiga Interchange File Format", kIFF, Count(kIFF), FormatIcon::Program0},
    {"IMG", "GEM Raster Format *", kIMG, Count(kIMG), FormatIcon::Program0},
    {"JLS", "JPEG-LS Format *", kJLS, Count(kJLS), FormatIcon::Program0},
    {"JP2/JPC/J2K", "JPEG2000 Format *", kJP2JPCJ2K, Count(kJP2JPCJ2K), FormatIcon::Program0},
    {"JPG/JPEG/JPE", "JPEG Format", kJPGJPEGJPE, Count(kJPGJPEGJPE), FormatIcon::Program0},
    {"JPM", "JPM Format *", kJPM, Count(kJPM), FormatIcon::Program0},
    {"KDC", "Kodak Digital Camera Format *", kKDC, Count(kKDC), FormatIcon::Program0},
    {"MNG/JNG", "Multiple Network Graphics *", kMNGJNG, Count(kMNGJNG), FormatIcon::Program0},
    {"PBM", "Portable Bitmap", kPBM, Count(kPBM), FormatIcon::Program0},
    {"PCD", "Kodak Photo CD", kPCD, Count(kPCD), FormatIcon::Program0},
    {"PCX", "Zsoft Paintbrush", kPCX, Count(kPCX), FormatIcon::Program0},
    {"PGM", "Portable Greymap", kPGM, Count(kPGM), FormatIcon::Program0},
    {"PNG", "Portable Network Graphics", kPNG, Count(kPNG), FormatIcon::Program0},
    {"PPM", "Portable Pixelmap", kPPM, Count(kPPM), FormatIcon::Program0},
    {"PSD", "Adobe Photoshop Image", kPSD, Count(kPSD), FormatIcon::Program0},
    {"PSP", "Paint Shop Pro Image *", kPSP, Count(kPSP), FormatIcon::Program0},
    {"RAS", "Sun Raster Format", kRAS, Count(kRAS), FormatIcon::Program0},
    {"RAW", "RAW Image Data *", kRAW, Count(kRAW), FormatIcon::Program0},
    {"RLE", "Utah RLE Format *", kRLE, Count(kRLE), FormatIcon::Program0},
    {"SFF", "Structured Fax Format *", kSFF, Count(kSFF), FormatIcon::Program0},
    {"SFW", "Seattle Film Works Format *", kSFW, Count(kSFW), FormatIcon::Program0},
    {"SGI", "Silicon Graphics Image *", kSGI, Count(kSGI), FormatIcon::Program0},
    {"SID", "LizardTech MrSID Format *", kSID, Count(kSID), FormatIcon::Program0},
    {"TGA", "Truevision Targa", kTGA, Count(kTGA), FormatIcon::Program0},
    {"TIF/TIFF", "Tagged Image File Format", kTIFTIFF, Count(kTIFTIFF), FormatIcon::Program0},
    {"WBMP", "WAP Bitmap *", kWBMP, Count(kWBMP), FormatIcon::Program0},
    {"WEBP", "Weppy Format *", kWEBP, Count(kWEBP), FormatIcon::Program0},
    {"WMF", "Windows Metafile", kWMF, Count(kWMF), FormatIcon::Program0},
    {"XBM", "X-Bitmap *", kXBM, Count(kXBM), FormatIcon::Program0},
    {"XPM", "X-Pixmap *", kXPM, Count(kXPM), FormatIcon::Program0},

    {"SWF/FLV", "Macromedia Flash Format *", kSWFFLV, Count(kSWFFLV), FormatIcon::Program0},
    {"TTF", "True Type Font Format *", kTTF, Count(kTTF), FormatIcon::Program0},

    {"ASF", "Advanced Systems Format *", kASF, Count(kASF), FormatIcon::Program9},
    {"AVI", "Video for Windows *", kAVI, Count(kAVI), FormatIcon::Program9},
    {"MPG/MPE/MPEG", "MPEG Movie *", kMPGMPEMPEG, Count(kMPGMPEMPEG), FormatIcon::Program9},
    {"MOV", "Apple QuickTime Movie *", kMOV, Count(kMOV), FormatIcon::Program9},
    {"WMV", "Windows Media Video File *", kWMV, Count(kWMV), FormatIcon::Program9},

    {"AIF", "Audio Interchange Format *", kAIF, Count(kAIF), FormatIcon::Program8},
    {"MID/RMI", "MIDI Sound Format *", kMIDRMI, Count(kMIDRMI), FormatIcon::Program8},
    {"MED", "MED/OctaMED Audio Format *", kMED, Count(kMED), FormatIcon::Program8},
    {"MP3", "MPEG Audio Format *", kMP3, Count(kMP3), FormatIcon::Program8},
    {"OGG", "Ogg Vorbis Audio Format *", kOGG, Count(kOGG), FormatIcon::Program8},
    {"RA", "Real Audio Format *", kRA, Count(kRA), FormatIcon::Program8},
    {"AU/SND", "SUN Audio Format *", kAUSND, Count(kAUSND), FormatIcon::Program8},
    {"WAV", "Windows Audio Format *", kWAV, Count(kWAV), FormatIcon::Program8},
    {"WMA", "Windows Media Audio File *", kWMA, Count(kWMA), FormatIcon::Program8},
};

static_assert(sizeof(kRows) / sizeof(kRows[0]) == kFormatRowCount, "the table has 68 rows");
static_assert(kFormatRowCount == kFormatRowCount, "one selection flag per row");
static_assert(kImageRowCount == kImageRowCount, "images-only subset");

}  // namespace

int FormatRowCount() { return kFormatRowCount; }

const FormatRow* GetFormatRow(int index) {
  if (index < 0 || index >= kFormatRowCount) return nullptr;
  return &kRows[index];
}

int ProgramIconIndex(FormatIcon icon) {
  switch (icon) {
    case FormatIcon::Program0: return 0;
    case FormatIcon::Program9: return 9;
    case FormatIcon::Program8: return 8;
    case FormatIcon::Own: break;
  }
  return -1;
}
