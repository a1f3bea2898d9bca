// The comparison window's choice of what the compressed bytes keep of the source's metadata.
#include "app/mainview.h"
#include "base/numbertext.h"
#include "codec/jpegimage.h"
#include "codec/picture.h"

namespace zavo {

namespace mainview {
TMetadataChoice metadatachoice;
std::shared_ptr<const TMetadata> srcmetadata;
std::string metadatanote;
}  // namespace mainview

using namespace mainview;

namespace {

void AddLine(std::string& text, const std::string& line) {
    if (line.empty()) return;
    if (!text.empty()) text += "\n";
    text += line;
}

// How much metadata the source carries and whether it is kept, in kilobytes as the labels count.
std::string MetadataNote(const std::shared_ptr<const TMetadata>& source, const std::shared_ptr<const TMetadata>& written) {
    if (!source) return "";
    std::string note;
    int64_t kept = written ? MetadataBytes(*written) : 0;
    if (kept > 0) {
        note = "メタデータ " + SizeText(kept) + " を保持";
    } else {
        // Everything copying could keep: the JFIF header is the compressor's own either way.
        std::shared_ptr<const TMetadata> all = MetadataToWrite(source, {TMetadataCopy::All, false});
        int64_t carried = all ? MetadataBytes(*all) : 0;
        if (carried > 0) note = "メタデータ " + SizeText(carried) + " は保存されません";
    }
    if (source->cut) AddLine(note, "メタデータが 1 M を超えるため、超えた分は読み込まれていません");
    if (written) AddLine(note, written->note);
    return note;
}

}  // namespace

void Tzavo::TakeSourceMetadata() {
    srcmetadata = MetadataOf(srcpic->Graphic());
    ApplyMetadataChoice();
}

void Tzavo::ApplyMetadataChoice() {
    srcjpeg->SetMetadataToWrite(MetadataToWrite(srcmetadata, metadatachoice));
    metadatanote = MetadataNote(srcmetadata, srcjpeg->MetadataToWrite());
}

void Tzavo::SetMetadataCopy(TMetadataCopy copy) {
    if (copy == metadatachoice.copy) return;
    metadatachoice.copy = copy;
    ApplyMetadataChoice();
    presson(press);
}

TMetadataCopy Tzavo::MetadataCopy() const { return metadatachoice.copy; }

void Tzavo::SetStripGps(bool strip) {
    if (strip == metadatachoice.stripGps) return;
    metadatachoice.stripGps = strip;
    ApplyMetadataChoice();
    presson(press);
}

bool Tzavo::StripGps() const { return metadatachoice.stripGps; }

std::vector<TMenuEntry> Tzavo::MetadataMenuEntries() {
    std::vector<TMenuEntry> entries;
    const std::pair<TMetadataCopy, const char*> choices[] = {
        {TMetadataCopy::None, "メタデータ: なし"},
        {TMetadataCopy::Icc, "メタデータ: 色プロファイルのみ"},
        {TMetadataCopy::All, "メタデータ: すべて"},
    };
    for (const auto& [copy, caption] : choices) {
        TMenuEntry entry;
        entry.caption = caption;
        entry.checked = metadatachoice.copy == copy;
        entry.onClick = [this, copy = copy] { SetMetadataCopy(copy); };
        entries.push_back(std::move(entry));
    }
    // Only a copy of everything carries an EXIF block to take the GPS directory from.
    TMenuEntry gps;
    gps.caption = "GPS 情報を削除";
    gps.checked = metadatachoice.stripGps;
    gps.enabled = metadatachoice.copy == TMetadataCopy::All;
    gps.onClick = [this] { SetStripGps(!metadatachoice.stripGps); };
    entries.push_back(std::move(gps));
    return entries;
}

}  // namespace zavo
