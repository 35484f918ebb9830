// The message table: every fixed text the system shows, as UTF-8 literals.
// Errors are raised with RaiseError(e, msg::X, {args}); the text is turned
// into CP932 once and cached. %s and %d are filled in order. This file holds
// the messages of the language core and those several families share; each
// command family keeps its own in its folder (lib/<family>/Messages.inc),
// in the same namespace.
#pragma once

namespace nokari::msg {

// Start-up
inline constexpr char kAppTitle[] = "のかり";
inline constexpr char kCannotReadStartFile[] = "起動ファイル「%s」が読込めません。";
// Why, after kCannotReadStartFile.
inline constexpr char kStartFileMissing[] = "そのファイルはありません。";
inline constexpr char kStartFileIsFolder[] = "それはフォルダです。";
inline constexpr char kStartFileNotRegular[] =
    "普通のファイルではありません（パイプや装置からはスクリプトを読めません。ファイルに保存してから指定してください）。";
inline constexpr char kStartFileNoPermission[] = "読む権限がありません。";
inline constexpr char kNoDisplayForWindow[] =
    "画面が見つからないので、ウィンドウを開けません（DISPLAY も WAYLAND_DISPLAY もありません）。"
    "端末で実行するには -console を付けてください。";
inline constexpr char kSystemErrorPrefix[] = "システムエラー:";
inline constexpr char kPartsUnavailable[] = "ウィンドウ部品を使えません。%s";
inline constexpr char kBadCharInScript[] = "ファイル\"%s\"の%d行目に、Shift-JISで表せない文字があります。";
inline constexpr char kNotUtf8Script[] =
    "ファイル\"%s\"の%d行目は、UTF-8 として読めません。ファイルを UTF-8 で保存し直してください。";

// Error and warning lines
inline constexpr char kErrorLine[] = "[エラー] %s(%d行目): %s";
inline constexpr char kWarningLine[] = "[注　意] %s(%d行目): %s";
inline constexpr char kErrorDialogCaption[] = "実行中にエラーが発生しました。";
inline constexpr char kErrorContinue[] = "実行を続ける(&O)";
inline constexpr char kErrorQuit[] = "終了(&C)";
inline constexpr char kErrorDebug[] = "デバッグする(&D)";
inline constexpr char kLogTrimmed[] = "（エラーの記録が大きくなりすぎたので、ここより前の古い行は削除しました。）";
inline constexpr char kAppendToUtf8File[] = "\"%s\"はUTF-8のテキストのようです。追加する文字列は文字コード変換で「SJIS」から「UTF8」へ変換してください。";
inline constexpr char kNoShiftJisForm[] = "\"%s\"へ書く「%s」はShift-JISで表せないため、〓になります。UTF-8で書くには文字コード変換で「SJIS」から「UTF8」へ変換してください。";
inline constexpr char kUtf8File[] = "\"%s\"はUTF-8のテキストのようです。文字コード変換で「UTF8」から「SJIS」へ変換してください。";

// Source preparation
inline constexpr char kUnbalancedComment[] = "{ }が対応していません。『%s』の近く";
inline constexpr char kUnbalancedString[] = "「」または\"\"が対応していません。『%s』の近く";
inline constexpr char kUnbalancedBackquote[] = "『』または''''が対応していません。『%s』の近く";
inline constexpr char kLabelDefinedTwice[] = "ラベル\"%s\"の定義に失敗しました。既に単語として使われています。";

// Statement engine
inline constexpr char kInternalError[] = "特定できないシステムエラーです(ToT)";
inline constexpr char kUndefinedConstruct[] = "\"CheckRunControl\"で未定義の構文があります。";
inline constexpr char kRunControlError[] = "実行制御でエラー。%s.制御スタック：%d";
inline constexpr char kEndlessLoop[] = "実行が無限ループしている可能性があるので終了します。";
inline constexpr char kBadSyntax[] = "\"%s\"は、文法が正しくないため、実行できません。";
inline constexpr char kConcatHint[] = "\"&\"は、文字列との連結に使います。";
inline constexpr char kOperatorHint[] = "\"%s\"は、計算式で使います。";
inline constexpr char kCannotRunVariable[] = "変数を実行することは出来ません。";
inline constexpr char kTooManyArgs[] = "\"%s\"命令の引数に誤りがあります。引数が多いです。\"%s\"";
inline constexpr char kUndefinedCommand[] = "\"%s\"は未定義の命令です。(;o;)<綴りミスか、命令の引数に注意！";
inline constexpr char kUnbalancedParen[] = "\")\"が対応していません。";
inline constexpr char kBadObjectAssign[] = "オブジェクトへの不正な代入(%s,%s)。『オブジェクトの、項目名は、値』の形式で指定してください。";
inline constexpr char kSpaceBeforeHaHint[] = "名前と「は」の間に空白は置けません:\"%sは、…\"";
inline constexpr char kParticleCommaHint[] = "助詞の後に「、」が要ります:\"%s、%s\"";
inline constexpr char kAssignHint[] = "『変数名は、「内容」』のように書いてください。";
inline constexpr char kOfAssignment[] = "の代入文";
inline constexpr char kReservedAssign[] = "\"%s\"は\"%s\"で予約語なので代入できません。";
inline constexpr char kSystemCommand[] = "システム命令";
inline constexpr char kReadOnly[] = "\"%s\"は、読取専用です。";
inline constexpr char kCannotAssign[] = "代入出来ません。";
inline constexpr char kStackFull[] = "スタックが一杯になりました。ラベルなどに再帰呼び出しがないか確認！";
inline constexpr char kInvalidOperation[] = "プログラムで不正な操作がありました。";
inline constexpr char kBracketTheExpression[] = "式は（ ）で囲んでください。";
inline constexpr char kPhraseReadAsBlock[] = "ならば・違えば・回などの後の\"(%s)\"はブロックとして読まれ、\"%s\"は別の文になります。(…)で始まる文は全体を（ ）で囲んでください:\"（(%s)%s）\"";
inline constexpr char kIndentedOutsideBlock[] = "この行は字下げされていますが、前の行のブロックには入りません。ブロックは行の残りか次の1行だけです。複数の行をブロックにするときは（ … ）で囲んでください。";
inline constexpr char kConditionWordWhole[] = "条件の\"%s\"は一つの語として読まれます。比べるときは が、かつ、または の後に「、」を置いてください。";
inline constexpr char kNotAProperty[] = "\"%s\"は部品\"%s\"の設定項目ではないので、変数\"%s\"になります。";
inline constexpr char kValueLeftOver[] = "代入する値は最初の句だけです。\"%s\"は使われません。";
inline constexpr char kNameWithoutValue[] = "{%s}の名前には値がありません。名前の文字がそのまま入ります(綴りを確かめてください)。";
inline constexpr char kBlankAfterLabel[] = "*%sの後に空白があるため、ラベルになりません。ラベルの行には名前だけを書いてください。";
inline constexpr char kExpressionRestUnused[] = "計算式は\"%s\"の前で終わり、そこから後は使われません。";

// Word table
inline constexpr char kReservedWord[] = "\"%s\"は予約語なので、登録できません。";

// Values and literals
inline constexpr char kStringNotClosed[] = "文字列\"%s\"の最後に」がありません。";
inline constexpr char kNoClosingQuote[] = "対応するカッコ \" または 」 がありません。";
inline constexpr char kNoClosingBackquote[] = "対応するカッコ ` または 』 がありません。";
inline constexpr char kNoDirectValue[] = "オブジェクト\"%s\"から、直接値を得ることは出来ません。";
inline constexpr char kMissingHashTable[] = "作成されていないハッシュ\"%s\"が、見つかりました。メモリが足りないか、バグの可能性があります。";
inline constexpr char kCannotAssignTo[] = "\"%s\"には代入できません！";
inline constexpr char kObjectExists[] = "オブジェクト\"%s\"は、既に存在するので、作成できません。";
inline constexpr char kCannotChange[] = "変更できません！";
inline constexpr char kHashValue[] = "ハッシュ";
inline constexpr char kFoldsOntoCommand[] = "送り仮名を除くと命令\"%s\"と同じ名前です。別の名前を使ってください。";
inline constexpr char kWhileEvaluatingContent[] = "(変数\"%s\"の内容を評価していました。)";

// Expressions
inline constexpr char kBadExpression[] = "計算式に誤りがあります。";
inline constexpr char kBadOperatorPosition[] = "演算子「%s」の位置が不正。";
inline constexpr char kBadResult[] = "計算結果が不正";

// Binding and dispatch
inline constexpr char kArgError[] = "\"%s\"命令の引数に誤りがあります。";
inline constexpr char kTooFewArgs[] = "\"%s\"命令の引数に誤りがあります。\"%s\"の形式で指定してください。引数が少ないです。";
inline constexpr char kNoFittingArg[] = "\"%s\"命令の引数に誤りがあります。\"%s\"の形式で指定してください。\"%s\"";
inline constexpr char kBrokenLink[] = "\"%s\":のかり命令のリンク切れ。作者へ報告を！";
inline constexpr char kCommandError[] = "システム命令実行中のエラー。理由は,%s";
inline constexpr char kObjectNotFound[] = "オブジェクト\"%s\"が特定できません。";

// Control flow
inline constexpr char kUndefinedLabel[] = "未定義のラベル\"%s\"に、ジャンプしようとしました。";
inline constexpr char kNoReturnPlace[] = "「戻る」べき場所がありません。";
inline constexpr char kNoBranchEnd[] = "条件分岐の終端文字を認識できませんでした。";
inline constexpr char kNestedIf[] = "%sを多重構造にするときは、()で範囲を括ってください。";
inline constexpr char kNeedNumber[] = "\"%s\"には、数値を指定してください。";
inline constexpr char kCounterMustBeVariable[] = "\"%s\"の実行回数カウンターには、変数を指定してください。";
inline constexpr char kFileMissing[] = "ファイル\"%s\"が、ありません。";
inline constexpr char kTooManyIncludes[] = "取り込めるファイルの数(50)を超えました。%s";
inline constexpr char kNokariSuffix[] = "の%d行目ののかり";
inline constexpr char kEmptyLoopCondition[] = "ループの条件が空なので、ブロックは実行されません。";

// User functions and word management
inline constexpr char kParenRightAfter[] = "関数\"%s\"の呼び出しで、引数の()は、すぐ後ろに書いてください。";
inline constexpr char kObjectNotCreated[] = "オブジェクト\"%s\"は、作成されていません。";
inline constexpr char kShowContents[] = "「%s」の内容は、%s";
inline constexpr char kFlowWordAsValue[] = "\"%s\"は、実行の流れを変える命令なので、式や関数の形(…)の中では使えません。文として書いてください。";

// Run-time errors shared by values and several families
// The value as given, then the lowest and highest allowed.
inline constexpr char kRangeError[] = "範囲チェックエラー：値%sは、%sから%sまでの範囲にありません。";
inline constexpr char kVariableNotFound[] = "変数\"%s\"が見つかりません。";
// A system library opened on first use is missing or lacks a function.
inline constexpr char kLibraryUnavailable[] = "ライブラリ\"%s\"を読み込めません。%s";

// Security policy
inline constexpr char kSecurityCaption[] = "セキュリティの警告";
inline constexpr char kSecurityIniRefused[] = "このプログラムは、\"security.ini\"を、操作出来ません！";
inline constexpr char kRefusedUnasked[] = "\"%s\"への変更は、確認できる相手（端末）がいないので行いませんでした。許可するには「-security low」を付けて起動してください。";

}  // namespace nokari::msg
