// The host's entry points, one line each, in the order of the HostApi slots.
//
//   X(Name, Called | Uncalled, Required | Optional)
//
// The exported name is OMA_<Name>. "Called" entry points have a signature in
// host_api.h (<Name>Fn); "Uncalled" ones are only looked up, so that a host
// lacking a required one is refused. The build also reads this list to make
// test hosts that each lack one entry point.
#pragma once

// <windows.h> makes GetTempFileName a macro, which would rename the slot and
// the export generated from this list. Code of ours calls GetTempFileNameA.
#ifdef GetTempFileName
#undef GetTempFileName
#endif

#define OMBRY_HOST_ENTRY_POINTS(X)             \
    X(GetVersion, Called, Required)            \
    X(Command, Uncalled, Required)             \
    X(GetWindowHandles, Uncalled, Required)    \
    X(RegisterCommand, Called, Required)       \
    X(RegisterUICallback, Called, Required)    \
    X(GetDataFolder, Called, Required)         \
    X(GetTempFolder, Uncalled, Required)       \
    X(GetTempFileName, Uncalled, Required)     \
    X(GetCurrentMailBox, Called, Required)     \
    X(SetCurrentMailBox, Uncalled, Required)   \
    X(GetCurrentFolder, Uncalled, Required)    \
    X(SetCurrentFolder, Uncalled, Required)    \
    X(GetFolderDisplayName, Uncalled, Required) \
    X(SetMessageText, Uncalled, Required)      \
    X(GetCurrentMail, Called, Required)        \
    X(SetCurrentMail, Uncalled, Required)      \
    X(GetNextMail, Uncalled, Required)         \
    X(SetSel, Uncalled, Required)              \
    X(AppendMessage, Uncalled, Required)       \
    X(MoveSelectedMessages, Uncalled, Required) \
    X(GetStatus, Uncalled, Required)           \
    X(SetStatus, Uncalled, Optional)           \
    X(ComposeMail, Called, Required)           \
    X(GetCharSet, Uncalled, Required)          \
    X(GetSource, Uncalled, Required)           \
    X(SetSource, Uncalled, Required)           \
    X(GetSize, Uncalled, Optional)             \
    X(GetHeader, Called, Required)             \
    X(GetText, Uncalled, Required)             \
    X(SetText, Uncalled, Required)             \
    X(GetSpecifiedHeader, Called, Required)    \
    X(SetSpecifiedHeader, Uncalled, Required)  \
    X(CompGetCharSet, Uncalled, Required)      \
    X(CompGetSource, Uncalled, Required)       \
    X(CompSetSource, Uncalled, Required)       \
    X(CompGetHeader, Uncalled, Required)       \
    X(CompGetSpecifiedHeader, Uncalled, Required) \
    X(CompSetSpecifiedHeader, Called, Required) \
    X(CompGetText, Uncalled, Required)         \
    X(CompSetText, Uncalled, Required)         \
    X(CompAttachFile, Uncalled, Required)      \
    X(Alloc, Uncalled, Required)               \
    X(ReAlloc, Uncalled, Required)             \
    X(Free, Uncalled, Required)                \
    X(ISO_2022_JP, Uncalled, Required)         \
    X(ISO_2022_KR, Uncalled, Required)         \
    X(HZ_GB2312, Uncalled, Required)           \
    X(ISO_8859_2, Uncalled, Required)          \
    X(EUC_JP, Uncalled, Required)              \
    X(UTF_7, Uncalled, Required)               \
    X(UTF_8, Uncalled, Required)               \
    X(B64Convert, Uncalled, Required)          \
    X(QPConvert, Uncalled, Required)           \
    X(MIMEHeader, Uncalled, Required)          \
    X(SerializeRcpts, Uncalled, Required)      \
    X(Connect, Uncalled, Required)             \
    X(NextUnread, Uncalled, Optional)          \
    X(ProcessMail, Uncalled, Optional)
