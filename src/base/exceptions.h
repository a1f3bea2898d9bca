// The failures of zavo. Every error is one of these exceptions; each carries the Japanese message
// the error box shows. EAbort is the silent one: it ends a handler without a box.
#pragma once

#include <stdexcept>
#include <string>

namespace zavo {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

#define ZAVO_EXCEPTION(Name, Base)              \
    class Name : public Base {                  \
    public:                                     \
        using Base::Base;                       \
    }

ZAVO_EXCEPTION(EAbort, Exception);
ZAVO_EXCEPTION(EConvertError, Exception);
ZAVO_EXCEPTION(EInvalidGraphic, Exception);
ZAVO_EXCEPTION(EInvalidGraphicOperation, Exception);
ZAVO_EXCEPTION(EInvalidOperation, Exception);
ZAVO_EXCEPTION(EOutOfMemory, Exception);
ZAVO_EXCEPTION(EOutOfResources, EOutOfMemory);
ZAVO_EXCEPTION(EOSError, Exception);
ZAVO_EXCEPTION(EStreamError, Exception);
ZAVO_EXCEPTION(EFilerError, EStreamError);
ZAVO_EXCEPTION(EReadError, EFilerError);
ZAVO_EXCEPTION(EWriteError, EFilerError);
ZAVO_EXCEPTION(EFileStreamError, EStreamError);
ZAVO_EXCEPTION(EFOpenError, EFileStreamError);
ZAVO_EXCEPTION(EFCreateError, EFileStreamError);

#undef ZAVO_EXCEPTION

// The message texts, with %s and %d where Format fills them in.
namespace msg {
inline constexpr const char* OutOfMemory = "メモリが足りません";
inline constexpr const char* OutOfResources = "システム リソースが足りません";
inline constexpr const char* ReadError = "ストリームからの読み込みエラー";
inline constexpr const char* WriteError = "ストリームへの書き込みエラー";
inline constexpr const char* MemoryStreamError = "メモリストリームの拡大中にメモリが足りなくなりました";
inline constexpr const char* FOpenError = "ファイル %s は開けません";
inline constexpr const char* FCreateError = "ファイル %s を作成できません";
inline constexpr const char* InvalidInteger = "'%s' は整数ではありません";
inline constexpr const char* InvalidGraphic = "画像フォーマットが不正です";
inline constexpr const char* InvalidBitmap = "ビットマップイメージが不正です";
inline constexpr const char* InvalidIcon = "アイコンイメージが不正です";
inline constexpr const char* InvalidMetafile = "メタファイルが不正です";
inline constexpr const char* UnknownExtension = "拡張子 .%s の画像形式は処理できません";
inline constexpr const char* ScanLine = "スキャンライン のインデックスが範囲を越えました";
inline constexpr const char* NoCanvasHandle = "Canvas に対する描画ができません";
inline constexpr const char* ScrollBarRange = "スクロールバー プロパティが範囲を越えました";
inline constexpr const char* NoTimers = "タイマーを取得できません";
inline constexpr const char* OSError = "システムエラー。コード：%d.\r\n%s";
inline constexpr const char* JPEGError = "JPEG エラー #%d";
inline constexpr const char* Abort = "操作は中止されました";
}  // namespace msg

}  // namespace zavo
