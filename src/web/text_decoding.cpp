#include "web/text_decoding.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

// How far into a page a <meta> declaration is looked for.
constexpr qsizetype kMetaScanBytes = 4096;

QByteArray CharsetParameter(const QByteArray& text) {
  static const QRegularExpression re(R"(charset\s*=\s*["']?\s*([A-Za-z0-9_\-:.]+))",
                                     QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = re.match(QString::fromLatin1(text));
  return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

QByteArray Normalise(QByteArray name) {
  name = name.trimmed().toUpper();
  if (name == "GB2312" || name == "GBK" || name == "X-GBK" || name == "CP936" ||
      name == "GB_2312-80" || name == "EUC-CN" || name == "GB18030")
    return "GB18030";
  if (name == "UTF8") return "UTF-8";
  return name;
}

struct NamedReference {
  std::string_view name;
  char32_t code;
};

// The character entities of HTML 4, and &apos;, sorted by name.
constexpr NamedReference kNamedReferences[] = {
    {"AElig", 198},    {"Aacute", 193},  {"Acirc", 194},   {"Agrave", 192},  {"Alpha", 913},
    {"Aring", 197},    {"Atilde", 195},  {"Auml", 196},    {"Beta", 914},    {"Ccedil", 199},
    {"Chi", 935},      {"Dagger", 8225}, {"Delta", 916},   {"ETH", 208},     {"Eacute", 201},
    {"Ecirc", 202},    {"Egrave", 200},  {"Epsilon", 917}, {"Eta", 919},     {"Euml", 203},
    {"Gamma", 915},    {"Iacute", 205},  {"Icirc", 206},   {"Igrave", 204},  {"Iota", 921},
    {"Iuml", 207},     {"Kappa", 922},   {"Lambda", 923},  {"Mu", 924},      {"Ntilde", 209},
    {"Nu", 925},       {"OElig", 338},   {"Oacute", 211},  {"Ocirc", 212},   {"Ograve", 210},
    {"Omega", 937},    {"Omicron", 927}, {"Oslash", 216},  {"Otilde", 213},  {"Ouml", 214},
    {"Phi", 934},      {"Pi", 928},      {"Prime", 8243},  {"Psi", 936},     {"Rho", 929},
    {"Scaron", 352},   {"Sigma", 931},   {"THORN", 222},   {"Tau", 932},     {"Theta", 920},
    {"Uacute", 218},   {"Ucirc", 219},   {"Ugrave", 217},  {"Upsilon", 933}, {"Uuml", 220},
    {"Xi", 926},       {"Yacute", 221},  {"Yuml", 376},    {"Zeta", 918},    {"aacute", 225},
    {"acirc", 226},    {"acute", 180},   {"aelig", 230},   {"agrave", 224},  {"alefsym", 8501},
    {"alpha", 945},    {"amp", 38},      {"and", 8743},    {"ang", 8736},    {"apos", 39},
    {"aring", 229},    {"asymp", 8776},  {"atilde", 227},  {"auml", 228},    {"bdquo", 8222},
    {"beta", 946},     {"brvbar", 166},  {"bull", 8226},   {"cap", 8745},    {"ccedil", 231},
    {"cedil", 184},    {"cent", 162},    {"chi", 967},     {"circ", 710},    {"clubs", 9827},
    {"cong", 8773},    {"copy", 169},    {"crarr", 8629},  {"cup", 8746},    {"curren", 164},
    {"dArr", 8659},    {"dagger", 8224}, {"darr", 8595},   {"deg", 176},     {"delta", 948},
    {"diams", 9830},   {"divide", 247},  {"eacute", 233},  {"ecirc", 234},   {"egrave", 232},
    {"empty", 8709},   {"emsp", 8195},   {"ensp", 8194},   {"epsilon", 949}, {"equiv", 8801},
    {"eta", 951},      {"eth", 240},     {"euml", 235},    {"euro", 8364},   {"exist", 8707},
    {"fnof", 402},     {"forall", 8704}, {"frac12", 189},  {"frac14", 188},  {"frac34", 190},
    {"frasl", 8260},   {"gamma", 947},   {"ge", 8805},     {"gt", 62},       {"hArr", 8660},
    {"harr", 8596},    {"hearts", 9829}, {"hellip", 8230}, {"iacute", 237},  {"icirc", 238},
    {"iexcl", 161},    {"igrave", 236},  {"image", 8465},  {"infin", 8734},  {"int", 8747},
    {"iota", 953},     {"iquest", 191},  {"isin", 8712},   {"iuml", 239},    {"kappa", 954},
    {"lArr", 8656},    {"lambda", 955},  {"lang", 9001},   {"laquo", 171},   {"larr", 8592},
    {"lceil", 8968},   {"ldquo", 8220},  {"le", 8804},     {"lfloor", 8970}, {"lowast", 8727},
    {"loz", 9674},     {"lrm", 8206},    {"lsaquo", 8249}, {"lsquo", 8216},  {"lt", 60},
    {"macr", 175},     {"mdash", 8212},  {"micro", 181},   {"middot", 183},  {"minus", 8722},
    {"mu", 956},       {"nabla", 8711},  {"nbsp", 160},    {"ndash", 8211},  {"ne", 8800},
    {"ni", 8715},      {"not", 172},     {"notin", 8713},  {"nsub", 8836},   {"ntilde", 241},
    {"nu", 957},       {"oacute", 243},  {"ocirc", 244},   {"oelig", 339},   {"ograve", 242},
    {"oline", 8254},   {"omega", 969},   {"omicron", 959}, {"oplus", 8853},  {"or", 8744},
    {"ordf", 170},     {"ordm", 186},    {"oslash", 248},  {"otilde", 245},  {"otimes", 8855},
    {"ouml", 246},     {"para", 182},    {"part", 8706},   {"permil", 8240}, {"perp", 8869},
    {"phi", 966},      {"pi", 960},      {"piv", 982},     {"plusmn", 177},  {"pound", 163},
    {"prime", 8242},   {"prod", 8719},   {"prop", 8733},   {"psi", 968},     {"quot", 34},
    {"rArr", 8658},    {"radic", 8730},  {"rang", 9002},   {"raquo", 187},   {"rarr", 8594},
    {"rceil", 8969},   {"rdquo", 8221},  {"real", 8476},   {"reg", 174},     {"rfloor", 8971},
    {"rho", 961},      {"rlm", 8207},    {"rsaquo", 8250}, {"rsquo", 8217},  {"sbquo", 8218},
    {"scaron", 353},   {"sdot", 8901},   {"sect", 167},    {"shy", 173},     {"sigma", 963},
    {"sigmaf", 962},   {"sim", 8764},    {"spades", 9824}, {"sub", 8834},    {"sube", 8838},
    {"sum", 8721},     {"sup", 8835},    {"sup1", 185},    {"sup2", 178},    {"sup3", 179},
    {"supe", 8839},    {"szlig", 223},   {"tau", 964},     {"there4", 8756}, {"theta", 952},
    {"thetasym", 977}, {"thinsp", 8201}, {"thorn", 254},   {"tilde", 732},   {"times", 215},
    {"trade", 8482},   {"uArr", 8657},   {"uacute", 250},  {"uarr", 8593},   {"ucirc", 251},
    {"ugrave", 249},   {"uml", 168},     {"upsih", 978},   {"upsilon", 965}, {"uuml", 252},
    {"weierp", 8472},  {"xi", 958},      {"yacute", 253},  {"yen", 165},     {"yuml", 255},
    {"zeta", 950},     {"zwj", 8205},    {"zwnj", 8204},
};

std::optional<char32_t> NamedCharacter(const QString& name) {
  const QByteArray latin = name.toLatin1();
  const std::string_view wanted(latin.constData(), size_t(latin.size()));
  const auto* found = std::lower_bound(
      std::begin(kNamedReferences), std::end(kNamedReferences), wanted,
      [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
  if (found == std::end(kNamedReferences) || found->name != wanted) return std::nullopt;
  return found->code;
}

std::optional<char32_t> NumberedCharacter(const QString& number) {
  bool ok = false;
  const bool hex = number.startsWith(u'x') || number.startsWith(u'X');
  const uint code = hex ? number.mid(1).toUInt(&ok, 16) : number.toUInt(&ok, 10);
  if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return std::nullopt;
  return char32_t(code);
}

}  // namespace

QByteArray DeclaredCharset(const QByteArray& body, const QByteArray& contentType) {
  QByteArray name = CharsetParameter(contentType);
  if (name.isEmpty()) {
    const QByteArray head = body.left(kMetaScanBytes);
    static const QRegularExpression meta(R"(<meta\b[^>]*>)",
                                         QRegularExpression::CaseInsensitiveOption);
    auto it = meta.globalMatch(QString::fromLatin1(head));
    while (it.hasNext() && name.isEmpty())
      name = CharsetParameter(it.next().captured(0).toLatin1());
  }
  return name.isEmpty() ? QByteArray("UTF-8") : Normalise(name);
}

QString DecodeHttpBody(const QByteArray& body, const QByteArray& contentType) {
  QStringDecoder decoder(DeclaredCharset(body, contentType).constData());
  if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
  return decoder.decode(body);
}

QString DecodeCharacterReferences(const QString& text, bool keepMarkup) {
  static const QRegularExpression reference(
      R"(&(?:#([0-9]{1,7}|[xX][0-9A-Fa-f]{1,6})|([A-Za-z][A-Za-z0-9]{1,7}));)");
  QString out;
  out.reserve(text.size());
  qsizetype last = 0;
  for (auto it = reference.globalMatch(text); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    std::optional<char32_t> c =
        m.hasCaptured(1) ? NumberedCharacter(m.captured(1)) : NamedCharacter(m.captured(2));
    if (!c || (keepMarkup && (*c == U'<' || *c == U'>' || *c == U'&'))) continue;
    if (*c == 0xA0) c = U' ';  // a text box shows it as a space; a title searched must hold one
    out += QStringView(text).mid(last, m.capturedStart() - last);
    out += QString::fromUcs4(&*c, 1);
    last = m.capturedEnd();
  }
  out += QStringView(text).mid(last);
  return out;
}
