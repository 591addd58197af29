object SNX_MAIN: TSNX_MAIN
  Left = 474
  Top = 653
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsNone
  Caption = 'Sonalix'
  ClientHeight = 26
  ClientWidth = 274
  Color = clBtnFace
  Font.Charset = SHIFTJIS_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'ＭＳ Ｐゴシック'
  Font.Style = []
  OldCreateOrder = False
  OnClose = FormClose
  OnCreate = FormCreate
  OnMouseUp = FormMouseUp
  OnPaint = TimerTimer
  OnShow = FormShow
  PixelsPerInch = 96
  TextHeight = 12
  object PopupMenu: TPopupMenu
    OnPopup = PopupMenuPopup
    object PM_Start: TMenuItem
      Caption = '開始(&S)'
      OnClick = PM_StartClick
    end
    object PM_Stop: TMenuItem
      Caption = '停止(&P)'
      OnClick = PM_StopClick
    end
    object PM_Input: TMenuItem
      Caption = '入力(&I)'
    end
    object PM_N01: TMenuItem
      Caption = '-'
    end
    object PM_Top: TMenuItem
      Caption = '常に最前面に表示(&T)'
      OnClick = PM_TopClick
    end
    object PM_N02: TMenuItem
      Caption = '-'
    end
    object PM_About: TMenuItem
      Caption = 'バージョン情報(&A)'
      OnClick = PM_AboutClick
    end
    object PM_N03: TMenuItem
      Caption = '-'
    end
    object PM_Exit: TMenuItem
      Caption = '終了(&X)'
      OnClick = PM_ExitClick
    end
  end
  object Timer: TTimer
    Enabled = False
    Interval = 10
    OnTimer = TimerTimer
  end
  object TrayIcon: TTrayIcon
    RBPopupMenu = PopupMenu
    TipHelp = 'Sonalix'
    Visible = True
    BalloonIcon = biifNone
  end
end
