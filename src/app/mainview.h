// The comparison window: the picture before compression on the left, after compression on the
// right, with the controls of the top strip.
#pragma once

#include <memory>
#include <string>

#include "codec/metadata.h"
#include "toolkit/button.h"
#include "toolkit/checkbox.h"
#include "toolkit/edit.h"
#include "toolkit/form.h"
#include "toolkit/image.h"
#include "toolkit/label.h"
#include "toolkit/picturedialog.h"
#include "toolkit/popupmenu.h"
#include "toolkit/scrollbar.h"
#include "toolkit/scrollbox.h"
#include "toolkit/updown.h"

namespace zavo {

class TBitmap;
class TJPEGImage;
class TLossView;
class TMemoryStream;
class TPicture;
class TPrecompute;
class TZoomView;

class Tzavo : public TForm {
public:
    explicit Tzavo(TApplication* app);
    ~Tzavo() override;

    TButton* loading = nullptr;
    TButton* saving = nullptr;
    TImage* ex = nullptr;
    TImage* new_ = nullptr;
    TScrollBox* newview = nullptr;
    TScrollBox* exview = nullptr;
    TSaveDialog* SaveDlg = nullptr;
    TOpenPictureDialog* OpenPic = nullptr;
    TEdit* press = nullptr;
    TUpDown* pressud = nullptr;
    TLabel* exsize = nullptr;
    TLabel* savesize = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TScrollBar* exh = nullptr;
    TScrollBar* exv = nullptr;
    TScrollBar* newh = nullptr;
    TScrollBar* newv = nullptr;
    TButton* preview = nullptr;
    TCheckBox* exdel = nullptr;

    void FormShow(TObject* sender);
    void FormCreate(TObject* sender);
    void savingClick(TObject* sender);
    void FormDestroy(TObject* sender);
    void presson(TObject* sender);
    void FormClick(TObject* sender);
    void pressudClick(TObject* sender, TUDBtnType button);
    void pressKeyDown(TObject* sender, uint16_t& key, TShiftState shift);
    void loadingClick(TObject* sender);
    void FormResize(TObject* sender);
    void exhScroll(TObject* sender, TScrollCode code, int& scrollPos);
    void barset();
    void exvScroll(TObject* sender, TScrollCode code, int& scrollPos);
    void newhScroll(TObject* sender, TScrollCode code, int& scrollPos);
    void newvScroll(TObject* sender, TScrollCode code, int& scrollPos);
    void FormKeyPress(TObject* sender, char& key);
    void previewClick(TObject* sender);
    void fileload();
    // The files dropped on the window: the first one is loaded.
    void WMDropFiles(const std::vector<std::string>& paths);
    // Compresses srcjpeg's bitmap ahead at the qualities the up-down reaches next; from FormCreate
    // to FormDestroy.
    TPrecompute& Precompute() { return *precompute_; }
    // Puts another compress-ahead in its place (one with a single worker takes the qualities strictly
    // in the order given).
    void SetPrecompute(std::unique_ptr<TPrecompute> precompute);

    // Both panes' zoom, and the menu either pane opens: one group of entries per feature.
    TZoomView& Zoom() { return *zoom_; }
    TMenuGroups PaneMenu();
    // The right pane's loss view and the tour of the worst spots.
    TLossView& Loss() { return *loss_; }

    // What the compressed bytes keep of the source's metadata (none at every start, as the choice
    // is never stored), and whether EXIF loses its GPS directory. A change recompresses, so the
    // size, SAVE and the bytes compressed ahead follow it.
    void SetMetadataCopy(TMetadataCopy copy);
    TMetadataCopy MetadataCopy() const;
    void SetStripGps(bool strip);
    bool StripGps() const;

protected:
    void Loaded() override;

private:
    THandlerTable Handlers();
    std::unique_ptr<TZoomView> zoom_;
    std::unique_ptr<TLossView> loss_;

    // Takes the metadata of the picture just loaded into srcpic.
    void TakeSourceMetadata();
    // Gives srcjpeg what the choice keeps of the source's metadata, and words it for the size hint.
    void ApplyMetadataChoice();
    // The menu's group for the metadata choice.
    std::vector<TMenuEntry> MetadataMenuEntries();
    enum class Axis { Horizontal, Vertical };
    // An accepted scroll of one bar: both pictures go to the offset, the twin bar follows.
    void ScrollBoth(TScrollBar* bar, int scrollPos, Axis axis, TScrollBox* firstView, TImage* firstImage,
                    TScrollBox* secondView, TImage* secondImage, TScrollBar* twin);

    std::unique_ptr<TPrecompute> precompute_;
};

// The comparison window of the running program, and its working state.
extern Tzavo* zavo;
namespace mainview {
extern TJPEGImage* srcjpeg;
extern TJPEGImage* newjpeg;
extern TMemoryStream* workstream;
extern TBitmap* workbmp;
extern TPicture* srcpic;
extern bool loaded;
extern std::string curfile;
// The file whose picture the left pane shows and srcjpeg holds: the last one that loaded. After a
// failed load curfile names another file.
extern std::string shownfile;
// The file whose picture made the bytes newjpeg holds, once a recompression of it has completed;
// empty before. Only this file may go to the trash on SAVE.
extern std::string heldfile;
// The metadata of the picture srcjpeg holds, what of it is kept, and the size hint's words on it.
extern TMetadataChoice metadatachoice;
extern std::shared_ptr<const TMetadata> srcmetadata;
extern std::string metadatanote;
}  // namespace mainview

}  // namespace zavo
