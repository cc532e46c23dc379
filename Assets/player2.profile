{
	"Name": "player2",
	"Controller": {
		"SwapSticks": false,
		"FallThroughButton": "LeftStickDown",
		"JumpButton": "A",
		"InteractButton": "X",
		"SwitchWeaponButton": "Y",
		"PrimaryButton": "RightTrigger",
		"SecondaryButton": "LeftTrigger",
		"ReloadButton": "RightBumper",
		"ScopeButton": "RightStick",
		"DropButton": "LeftBumper",
		"UseButton": "B",
		"SelectHeadButton": "Up",
		"SelectCoreButton": "Left",
		"SelectArmsButton": "Right",
		"SelectLegsButton": "Down",
		"TogglePartButton": "LeftStick",
		"ToggleViewButton": "Back"
	},
	"Keyboard": {
		"FallThroughButton": "Keyboard S",
		"JumpButton": "Keyboard Space",
		"InteractButton": "Keyboard E",
		"SwitchWeaponButton": "Keyboard LeftShift",
		"PrimaryButton": "Mouse Left",
		"SecondaryButton": "Keyboard R",
		"ReloadButton": "Keyboard Q",
		"ScopeButton": "Mouse Middle",
		"DropButton": "Keyboard F",
		"UseButton": "Mouse Right",
		"SelectHeadButton": "Keyboard One",
		"SelectCoreButton": "Keyboard Two",
		"SelectArmsButton": "Keyboard Three",
		"SelectLegsButton": "Keyboard Four",
		"TogglePartButton": "Keyboard Tab",
		"ToggleViewButton": "Keyboard C"
	},
	"Gold": 200,
	"Ink": 50,
	"ActiveLoadout": 0,
	"Loadouts": [
		{
			"Name": "Default Loadout",
			"Head": "BasicHead",
			"Core": "BasicCore",
			"Arms": "BasicArms",
			"Legs": "BasicLegs"
		},
		{
			"Name": "Jumper",
			"Head": "BasicHead",
			"Core": "BasicCore",
			"Arms": "BasicArms",
			"Legs": "SpringLegs"
		},
		{
			"Name": "Guard",
			"Head": "Helmet",
			"Core": "Breastplate",
			"Arms": "LongArms",
			"Legs": "BasicLegs"
		},
		{
			"Name": "Default Loadout",
			"Head": "BasicHead",
			"Core": "BasicCore",
			"Arms": "BasicArms",
			"Legs": "BasicLegs"
		},
		{
			"Name": "Default Loadout",
			"Head": "BasicHead",
			"Core": "BasicCore",
			"Arms": "BasicArms",
			"Legs": "BasicLegs"
		}
	],
	"Heads": {
		"BasicHead": {
			"Unlocked": true
		},
		"Helmet": {
			"Unlocked": true
		}
	},
	"Cores": {
		"BasicCore": {
			"Unlocked": true
		},
		"Breastplate": {
			"Unlocked": true
		}
	},
	"Arms": {
		"BasicArms": {
			"Unlocked": true
		},
		"LongArms": {
			"Unlocked": true
		}
	},
	"Legs": {
		"BasicLegs": {
			"Unlocked": true
		},
		"SpringLegs": {
			"Unlocked": true
		}
	}
}